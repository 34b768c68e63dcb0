#include "NtfsVolumeBytes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "support/NtfsImage.h"
#include "support/TempDir.h"

namespace ntfstest {

std::string ImageFolder() {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    if (pszTmp == nullptr || *pszTmp == '\0') return {};
    std::string const folder = std::string(pszTmp) + "/ntfs-images";
    return std::filesystem::exists(folder + "/ntfs_4k.manifest") ? folder : std::string();
}

std::vector<std::uint8_t> ReadImage(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> MakeVolume(std::string const& options, std::uint64_t u64Bytes) {
    if (!testsupport::HaveTool("mkntfs")) return {};
    testsupport::TempDir temp;
    std::string const image = temp.File("volume.img");
    std::string const command = "truncate -s " + std::to_string(u64Bytes) + " " + testsupport::ShellQuote(image) +
                                " && mkntfs -F -Q " + options + " " + testsupport::ShellQuote(image) + " >/dev/null 2>&1";
    if (testsupport::RunCommand(command) != 0) return {};
    return ReadImage(image);
}

std::optional<std::uint64_t> VolumeInMemory::FindFile(std::string const& name) const {
    for (std::uint64_t n = 0; n < m_mft->RecordCount(); ++n) {
        std::vector<std::uint8_t> const raw = Record(n);
        CNTFSFileRecord record(engine::ByteView(raw.data(), raw.size()));
        if (!record.IsValid() || record.IsExtendFileRecord()) continue;
        CNTFSMultiFileRecord const file(*m_mft, n, std::move(record));
        auto const summary = SummarizeNtfsFile(file);
        if (summary && summary->name && summary->name->Utf8Name() == name) return n;
    }
    return std::nullopt;
}

}  // namespace ntfstest
