#include "support/FatImage.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "engine/ByteView.h"
#include "support/NtfsImage.h"
#include "support/TempDir.h"

namespace testsupport {
namespace {

constexpr std::size_t kDirectoryEntrySize = 32;
constexpr std::uint8_t kLongNameAttribute = 0x0F;
constexpr std::uint8_t kDeletedEntry = 0xE5;
constexpr std::uint16_t kFirstEndOfChain = 0xFFF8;

/// "BIG.BIN" as it stands in a directory entry: "BIG     BIN".
std::string ShortEntryName(std::string const& name) {
    auto const dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    base.resize(8, ' ');
    extension.resize(3, ' ');
    return base + extension;
}

}  // namespace

std::string FatImage::MissingPrerequisite() {
    for (char const* pszTool : {"mkfs.fat", "mcopy"})
        if (!HaveTool(pszTool)) return std::string(pszTool) + " is not installed";
    return {};
}

bool FatImage::Build(std::string const& imagePath, std::uint64_t u64Bytes,
                     std::vector<std::pair<std::string, std::string>> const& filesByName, std::string& error) {
    { std::ofstream image(imagePath, std::ios::binary | std::ios::trunc); }
    if (::truncate(imagePath.c_str(), static_cast<off_t>(u64Bytes)) != 0) {
        error = "cannot size " + imagePath;
        return false;
    }
    if (RunCommand("mkfs.fat -F 16 " + ShellQuote(imagePath) + " >/dev/null 2>&1") != 0) {
        error = "mkfs.fat failed";
        return false;
    }
    for (auto const& [name, hostPath] : filesByName) {
        if (RunCommand("mcopy -i " + ShellQuote(imagePath) + " " + ShellQuote(hostPath) + " ::" + ShellQuote(name)) !=
            0) {
            error = "mcopy failed for " + name;
            return false;
        }
    }
    return true;
}

bool FatImage::Load() {
    std::ifstream image(m_imagePath, std::ios::binary);
    m_bytes.assign(std::istreambuf_iterator<char>(image), std::istreambuf_iterator<char>());
    engine::ByteView const boot(m_bytes);
    if (!boot.Has(0, 512) || boot.Le16(510) != 0xAA55) return false;
    m_u32BytesPerSector = boot.Le16(0x0B);
    m_u32SectorsPerCluster = boot.U8(0x0D);
    std::uint32_t const u32Reserved = boot.Le16(0x0E);
    std::uint32_t const u32Fats = boot.U8(0x10);
    m_u32RootEntries = boot.Le16(0x11);
    std::uint32_t const u32FatSectors = boot.Le16(0x16);
    if (m_u32BytesPerSector == 0 || m_u32SectorsPerCluster == 0 || u32FatSectors == 0) return false;
    std::uint64_t const u64RootSector = u32Reserved + std::uint64_t{u32Fats} * u32FatSectors;
    std::uint64_t const u64RootSectors =
        (std::uint64_t{m_u32RootEntries} * kDirectoryEntrySize + m_u32BytesPerSector - 1) / m_u32BytesPerSector;
    m_u64FatOffset = std::uint64_t{u32Reserved} * m_u32BytesPerSector;
    m_u64RootOffset = u64RootSector * m_u32BytesPerSector;
    m_s64FirstDataSector = static_cast<long long>(u64RootSector + u64RootSectors);
    return true;
}

std::optional<FatFileLayout> FatImage::Layout(std::string const& name) const {
    engine::ByteView const image(m_bytes);
    std::string const entryName = ShortEntryName(name);
    for (std::uint32_t i = 0; i < m_u32RootEntries; ++i) {
        engine::ByteView const entry = image.Sub(m_u64RootOffset + i * kDirectoryEntrySize, kDirectoryEntrySize);
        if (entry.Empty() || entry.U8(0) == 0) break;
        if (entry.U8(0) == kDeletedEntry || entry.U8(11) == kLongNameAttribute || !entry.Equals(0, entryName)) continue;

        FatFileLayout layout;
        layout.s64Size = entry.Le32(28);
        std::uint32_t u32Cluster = entry.Le16(26);
        // The chain can be no longer than the table has entries.
        std::size_t const maxSteps = m_bytes.size() / (std::uint64_t{m_u32BytesPerSector} * m_u32SectorsPerCluster) + 1;
        for (std::size_t step = 0; u32Cluster >= 2 && u32Cluster < kFirstEndOfChain && step < maxSteps; ++step) {
            DataRun& last =
                layout.runs.empty() ? layout.runs.emplace_back(DataRun{u32Cluster - 2, 0}) : layout.runs.back();
            if (last.s64Start + last.s64Length != u32Cluster - 2) layout.runs.push_back({u32Cluster - 2, 0});
            ++layout.runs.back().s64Length;
            u32Cluster = image.Le16(m_u64FatOffset + std::uint64_t{u32Cluster} * 2);
        }
        return layout;
    }
    return std::nullopt;
}

}  // namespace testsupport
