#include "engine/ntfs/ondisk/RCRDRecord.h"

#include "engine/ntfs/ondisk/NTFSUpdateSequence.h"

bool CRCRDRecord::IsValidUpdateSequence(engine::ByteView page) {
    return page.Has(0, kPageSize) && page.Le16(4) == kUpdateSequenceOffset && page.Le16(6) == kUpdateSequenceCount &&
           ntfs::IsUpdateSequenceIntact(page.Sub(0, kPageSize), kUpdateSequenceOffset, kUpdateSequenceCount);
}

bool CRCRDRecord::Unfixup(std::span<std::uint8_t> page) {
    if (!IsValid(engine::ByteView(page))) return false;
    return ntfs::UndoUpdateSequence(page.first(kPageSize), kUpdateSequenceOffset, kUpdateSequenceCount);
}
