#include "CorpusRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "../PlantedDevice.h"
#include "../SearchRun.h"
#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/IFileReader.h"
#include "engine/ReleasePtr.h"
#include "engine/carve/RAWFileNode.h"
#include "engine/carve/RAWFileProperties.h"
#include "engine/carve/RawFileType.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace corpustest {
namespace {

constexpr std::uint64_t kAlign = 4096;
constexpr std::uint64_t kBlockBytes = 0x400000;

std::uint64_t RoundUp(std::uint64_t u64Value, std::uint64_t u64Unit) {
    return (u64Value + u64Unit - 1) / u64Unit * u64Unit;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

/// Whether `name` is `prefix`, a number of three or more digits, a dot and `extension`; the
/// prefix is a stored name, taken literally ("[Content_Types].xml").
bool IsCarvedName(std::string const& name, std::string const& prefix, std::string const& extension) {
    std::string const suffix = "." + extension;
    if (name.size() < prefix.size() + 3 + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
        return false;
    std::string const number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    return std::all_of(number.begin(), number.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

std::string CarvedNamePrefix(CarvedSample const& sample) {
    return sample.namePrefix.empty() ? "FILE" : sample.namePrefix;
}

std::string CarvedFolder(CarvedSample const& sample) { return Lower(RawFileExtension(sample.u32Type)); }

std::uint64_t ExpectedSize(CarvedSample const& sample, std::uint32_t u32SectorSize) {
    switch (sample.rule) {
        case SizeRule::ToSectorEnd:
            return RoundUp(sample.bytes.size(), u32SectorSize);
        case SizeRule::Stated:
            return sample.u64Size;
        case SizeRule::Exact:
        case SizeRule::Prefix:
        case SizeRule::ToNextFile:
            break;
    }
    return sample.bytes.size();
}

Bytes ExpectedBytes(CarvedSample const& sample, std::uint32_t u32SectorSize) {
    Bytes bytes = sample.bytes;
    bytes.resize(static_cast<std::size_t>(ExpectedSize(sample, u32SectorSize)), 0);
    return bytes;
}

void ExpectCarvedCopy(CarvedSample const& sample, std::uint32_t u32SectorSize, std::uint64_t u64CarvedSize,
                      std::string const& copyPath) {
    Bytes const expected = ExpectedBytes(sample, u32SectorSize);
    std::ifstream in(copyPath, std::ios::binary);
    Bytes copy{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(copy.size(), u64CarvedSize);
    if (sample.rule == SizeRule::Prefix || sample.rule == SizeRule::ToNextFile) {
        EXPECT_GE(u64CarvedSize, expected.size());
        copy.resize(std::min(copy.size(), expected.size()));
    } else {
        EXPECT_EQ(u64CarvedSize, expected.size());
    }
    EXPECT_EQ(testsupport::Sha256Hex(copy), testsupport::Sha256Hex(expected));
}

std::vector<Placement> SpreadOver(std::vector<CarvedSample> const& samples, std::uint64_t u64SpanBytes) {
    std::vector<Placement> placements;
    std::uint64_t u64Cursor = 8 * kAlign;
    std::uint64_t const u64Stride = u64SpanBytes / std::max<std::size_t>(samples.size(), 1) / kAlign * kAlign;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::uint64_t u64Offset = std::max(u64Cursor, i * u64Stride);
        if (i % 2 == 1) {  // across the next block boundary, one to three 4 KiB units before it
            std::uint64_t const u64Boundary = (u64Offset / kBlockBytes + 1) * kBlockBytes;
            u64Offset = std::max(u64Offset, u64Boundary - kAlign * (1 + i % 3));
        }
        placements.push_back({u64Offset});
        u64Cursor = u64Offset + RoundUp(samples[i].bytes.size(), kAlign) + kAlign * (1 + i % 5);
    }
    return placements;
}

std::uint64_t RoomFor(std::vector<CarvedSample> const& samples, std::vector<Placement> const& placements,
                      std::uint64_t u64Minimum) {
    std::uint64_t u64End = 0;
    for (std::size_t i = 0; i < samples.size() && i < placements.size(); ++i)
        u64End = std::max(u64End, placements[i].u64Offset + RoundUp(samples[i].bytes.size(), kAlign));
    return std::max(u64Minimum, RoundUp(u64End, kBlockBytes) + kBlockBytes);
}

namespace {

/// With QUORIN_CORPUS_IMAGE set, the planted device is also written there as an image file, so
/// that the harness can measure the signature search on the corpus (`scanbench carve`).
void WriteImageWhenAsked(carvetest::CPlantedDevice& device, std::uint32_t u32SectorSize) {
    char const* pszPath = std::getenv("QUORIN_CORPUS_IMAGE");
    if (pszPath == nullptr || *pszPath == '\0') return;
    std::ofstream out(std::string(pszPath) + "." + std::to_string(u32SectorSize), std::ios::binary);
    std::vector<char> block(kBlockBytes);
    long long const s64BlockSectors = static_cast<long long>(kBlockBytes / u32SectorSize);
    for (long long s64First = 0; s64First < device.GetTotalSectors(); s64First += s64BlockSectors) {
        long long const s64Count = std::min(s64BlockSectors, device.GetTotalSectors() - s64First);
        ASSERT_EQ(device.ReadSector(block.data(), s64First, s64Count), 1);
        out.write(block.data(), static_cast<std::streamsize>(s64Count * u32SectorSize));
    }
    ASSERT_TRUE(out.good());
}

}  // namespace

void CarveAndCheck(std::vector<CarvedSample> const& samples, std::vector<Placement> const& placements,
                   std::uint64_t u64DeviceBytes, std::uint32_t u32SectorSize, Slack slack) {
    ASSERT_EQ(samples.size(), placements.size());
    carvetest::CPlantedDevice device(u64DeviceBytes / u32SectorSize, u32SectorSize, true);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        Bytes padded = samples[i].bytes;
        if (slack == Slack::Zeros) padded.resize(static_cast<std::size_t>(RoundUp(padded.size(), kAlign)), 0);
        ASSERT_LE(placements[i].u64Offset + padded.size(), u64DeviceBytes) << samples[i].name;
        device.Plant(placements[i].u64Offset, std::move(padded));
    }
    WriteImageWhenAsked(device, u32SectorSize);

    carvetest::SearchRun run;
    carvetest::RunSearch(run, device, static_cast<std::uint32_t>(kBlockBytes / u32SectorSize));
    std::map<std::uint64_t, IFileNode*> carved;  // by start sector
    for (IFileNode* pFile : run.builder.Files()) {
        auto* pNode = dynamic_cast<CFileNode*>(pFile);
        ASSERT_NE(pNode, nullptr);
        carved[static_cast<std::uint64_t>(pNode->GetDataRunList()->GetFirst()->s64Start)] = pFile;
    }

    testsupport::TempDir dir;
    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    ASSERT_EQ(pRecovery->Initialize(run.pController.get(), &device), kResultSuccess);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        CarvedSample const& sample = samples[i];
        SCOPED_TRACE(sample.name + " at byte " + std::to_string(placements[i].u64Offset));
        auto const it = carved.find(placements[i].u64Offset / u32SectorSize);
        if (it == carved.end()) {
            ADD_FAILURE() << "not carved";
            continue;
        }
        IFileNode* const pFile = it->second;
        EXPECT_TRUE(IsCarvedName(pFile->GetFileName(), CarvedNamePrefix(sample), RawFileExtension(sample.u32Type)))
            << pFile->GetFileName();
        IFileNode* const pFolder = run.builder.Folder(pFile->GetParentNodeID());
        ASSERT_NE(pFolder, nullptr);
        EXPECT_EQ(std::string(pFolder->GetFileName()), CarvedFolder(sample));

        if (!sample.time.empty()) {
            auto* const pRaw = dynamic_cast<CRAWFileNode*>(pFile);
            ASSERT_NE(pRaw, nullptr);
            ASSERT_NE(pRaw->GetProperties(), nullptr);
            EXPECT_EQ(std::string(pRaw->GetProperties()->GetRawFileCreateTime()), sample.time);
        }

        std::string const path = dir.File("copy" + std::to_string(i));
        ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(pFile));
        ASSERT_NE(pReader, nullptr);
        ASSERT_EQ(pRecovery->RecoverTo(path.c_str(), nullptr, 0), kResultSuccess);
        if (sample.rule == SizeRule::ToNextFile) {
            ASSERT_LT(i + 1, placements.size());
            EXPECT_EQ(static_cast<std::uint64_t>(pFile->GetFileSize()),
                      placements[i + 1].u64Offset - placements[i].u64Offset);
        }
        ExpectCarvedCopy(sample, u32SectorSize, static_cast<std::uint64_t>(pFile->GetFileSize()), path);
    }
}

}  // namespace corpustest
