// Every NTFS record's Restore over a results-file frame holding the input: a hostile file may
// throw the archive's exception, never loop, crash or allocate by its counts.
#include <cstdint>

#include "FuzzInputFile.h"
#include "engine/IRSData.h"
#include "engine/ntfs/complete/NTFSFileRecordInfo.h"
#include "engine/ntfs/complete/NTFSMetaFileInfo.h"
#include "engine/ntfs/complete/NTFSSearchedPartitionInfo.h"

namespace {

constexpr tagGUIDSIGN kFrame{{0x4E, 0x54, 0x46, 0x53}};

template <class Record>
void Restore(std::string const& path) {
    auto archive = CreateRSData(RS_MODE_READ);
    if (!archive || !archive->StartRS(path.c_str(), 0)) return;
    try {
        archive->OpenFrame(kFrame);
        Record record;
        record.Restore(*archive);
    } catch (IRSException const&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    static FuzzInputFile const input("ntfs-stored.rsf");
    {
        auto archive = CreateRSData(RS_MODE_WRITE);
        if (!archive || !archive->StartRS(input.Path().c_str(), 1)) return 0;
        try {
            archive->WriteFileHeader(FILEHEADER{});
            archive->OpenFrame(kFrame);
            archive->WriteCurFrame(pData, static_cast<unsigned>(size));
            archive->CloseFrame();
            archive->EndRS();
        } catch (IRSException const&) {
            return 0;
        }
    }
    Restore<CNTFSDataRunList>(input.Path());
    Restore<CMFTInfo>(input.Path());
    Restore<CCommonFileRecordPositionInfo>(input.Path());
    Restore<CSearchedNTFSPartitionInfo>(input.Path());
    return 0;
}
