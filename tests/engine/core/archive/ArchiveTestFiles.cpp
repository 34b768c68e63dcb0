#include "ArchiveTestFiles.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <iterator>

#include "engine/core/archive/RSDataLayout.h"

namespace archivetest {

std::vector<std::uint8_t> ReadAll(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(std::string const& path, std::span<std::uint8_t const> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

tagGUIDSIGN Guid(std::uint8_t u8Seed) {
    tagGUIDSIGN guid;
    for (std::size_t i = 0; i < guid.au8Bytes.size(); ++i) guid.au8Bytes[i] = static_cast<std::uint8_t>(u8Seed + i);
    return guid;
}

std::vector<std::uint8_t> HeaderImage(std::uint32_t u32Status, std::uint32_t u32DescriptionLength) {
    FILEHEADER header;
    header.u32Status = u32Status;
    header.u32DescriptionLength = u32DescriptionLength;
    header.u32CheckValue = engine::ComputeRSCheckValue(header);
    std::array<std::uint8_t, engine::kRSFileHeaderSize> image{};
    engine::EncodeRSFileHeader(header, image);
    return {image.begin(), image.end()};
}

void AppendFrame(std::vector<std::uint8_t>& file, tagGUIDSIGN const& guid, std::uint32_t u32StoredSize,
                 std::span<std::uint8_t const> payload, tagGUIDSIGN const& signature) {
    std::array<std::uint8_t, engine::kRSFrameHeaderSize> image{};
    engine::EncodeRSFrameHeader({signature, guid, u32StoredSize}, image);
    file.insert(file.end(), image.begin(), image.end());
    file.insert(file.end(), payload.begin(), payload.end());
}

std::uint32_t ThrownCode(std::function<void()> const& action) {
    try {
        action();
    } catch (IRSException const& error) {
        return error.GetErrorcode();
    }
    return 0;
}

int RunInChild(std::function<int()> const& child) {
    pid_t const pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int iAnswer = 100;
        try {
            iAnswer = child();
        } catch (...) {
            iAnswer = 101;
        }
        _exit(iAnswer);
    }
    int iStatus = 0;
    if (waitpid(pid, &iStatus, 0) != pid) return -1;
    return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
}

}  // namespace archivetest
