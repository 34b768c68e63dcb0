// Opens arbitrary bytes as a results file and walks it the way the results reader does:
// header checks, the description, then three frames read to their end in bounded chunks.
// Every failure must come out as the container's exception, never as a crash or a hang.
#include <array>
#include <cstddef>
#include <cstdint>

#include "FuzzInputFile.h"
#include "engine/IRSData.h"

namespace {

// The tags the results file uses, stored byte for byte.
constexpr std::array<tagGUIDSIGN, 3> kFrameTags = {{
    {{0x94, 0x63, 0x9B, 0x40, 0x81, 0xF6, 0x88, 0x4E, 0xA2, 0x0F, 0x5D, 0x63, 0x57, 0x82, 0xED, 0x75}},
    {{0x76, 0xA6, 0x72, 0xB0, 0x48, 0x05, 0x8B, 0x46, 0xBA, 0x9E, 0x91, 0x09, 0x3A, 0x63, 0xB5, 0x17}},
    {{0x6C, 0xF2, 0x08, 0xD2, 0x8C, 0x07, 0x34, 0x4E, 0x9D, 0x71, 0xD9, 0x1F, 0x53, 0x5F, 0x7B, 0x57}},
}};

template <class F>
void Guarded(F&& action) {
    try {
        action();
    } catch (IRSException const&) {
    }
}

void ReadWholeFrame(IRSData& archive, tagGUIDSIGN const& tag) {
    archive.OpenFrame(tag);
    std::uint32_t u32Left = archive.GetFrameSize();
    std::array<std::uint8_t, 4096> chunk{};
    while (u32Left > 0) {
        std::uint32_t const u32Count = u32Left < chunk.size() ? u32Left : static_cast<std::uint32_t>(chunk.size());
        archive.ReadCurFrame(chunk.data(), u32Count);
        u32Left -= u32Count;
    }
    archive.CloseFrame();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* pData, size_t uSize) {
    static FuzzInputFile const input("results.rsf");
    if (!input.Write(pData, uSize)) return 0;

    auto archive = CreateRSData(RS_MODE_READ);
    if (!archive || !archive->StartRS(input.Path().c_str(), 0)) return 0;
    archive->CheckFile();
    FILEHEADER header;
    archive->ReadFileHeader(header);
    Guarded([&] { archive->GetStatus(); });
    char description[kRSDataDescriptionMax + 1];
    Guarded([&] { archive->GetFileDescription(description, sizeof description); });
    for (tagGUIDSIGN const& tag : kFrameTags) Guarded([&] { ReadWholeFrame(*archive, tag); });
    archive->EndRS();
    return 0;
}
