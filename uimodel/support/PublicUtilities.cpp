#include "uimodel/support/PublicUtilities.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "platform/InstanceLock.h"

namespace uimodel {

namespace {

struct Unit {
    double dLimit;  // sizes below it use this unit
    double dDivisor;
    char const* pszFormat;
};

std::string Format(char const* pszFormat, float fValue) {
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), pszFormat, static_cast<double>(fValue));
    return buffer.data();
}

std::string SizeText(double dBytes, bool bWithTerabytes) {
    static constexpr std::array<Unit, 5> kUnits{{{1e3, 1.0, "%.0f byte"},
                                                 {1e6, 1e3, "%0.2f KB"},
                                                 {1e9, 1e6, "%0.2f MB"},
                                                 {1e12, 1e9, "%0.2f GB"},
                                                 {0.0, 1e12, "%0.2f TB"}}};
    for (std::size_t i = 0; i + 1 < kUnits.size(); ++i)
        if (dBytes < kUnits[i].dLimit || (!bWithTerabytes && i + 2 == kUnits.size()))
            return Format(kUnits[i].pszFormat, static_cast<float>(dBytes / kUnits[i].dDivisor));
    return Format(kUnits.back().pszFormat, static_cast<float>(dBytes / kUnits.back().dDivisor));
}

}  // namespace

std::string longlongDiskSize(long long s64Bytes) {
    return SizeText(s64Bytes < 0 ? 0.0 : static_cast<double>(s64Bytes), true);
}

std::string convertVolSpace(unsigned long long u64Bytes) { return SizeText(static_cast<double>(u64Bytes), false); }

long long volSpaceFromString(std::string const& text) {
    if (text.size() < 2) return 0;
    std::string_view const suffix = std::string_view(text).substr(text.size() - 2);
    float fFactor = 0.0f;
    if (suffix == "KB")
        fFactor = 1e3f;
    else if (suffix == "MB")
        fFactor = 1e6f;
    else if (suffix == "GB")
        fFactor = 1e9f;
    else if (suffix == "TB")
        fFactor = 1e12f;
    if (fFactor == 0.0f) return 0;
    float fValue = 0.0f;
    if (std::sscanf(text.substr(0, text.size() - 2).c_str(), "%f", &fValue) != 1) return 0;
    return static_cast<long long>(fValue * fFactor);
}

std::string fileSystemTypeForInt(int iType, int iIsDmg) {
    if (iIsDmg) return "Disk Image";
    static constexpr std::array<char const*, 10> kNames{"FAT12", "FAT16", "FAT32", "NTFS", "EXT2",
                                                        "EXT3",  "RAW",   "EXFAT", "HFS+", "Unknown"};
    if (iType < 0 || static_cast<std::size_t>(iType) >= kNames.size()) return "Disk";
    return kNames[static_cast<std::size_t>(iType)];
}

bool IsAppRunning() {
    switch (platform::TakeInstanceLock("quorin")) {
        case platform::InstanceLock::Taken:
            return false;
        case platform::InstanceLock::HeldElsewhere:
            return true;
        case platform::InstanceLock::Unavailable:
            break;
    }
    // Better two copies than none: the lock only keeps two scans from running over each other.
    std::fprintf(stderr, "quorin: cannot open %s; not checking for another copy\n",
                 platform::InstanceLockPath("quorin").c_str());
    return false;
}

}  // namespace uimodel
