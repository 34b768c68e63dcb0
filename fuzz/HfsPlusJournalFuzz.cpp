// The deleted-record pass over an arbitrary journal on a memory device: the input is the
// journal itself (header first, its size field taken as the journal's size), read through the
// device's sectors. Journaled blocks are taken for catalog, extents or attributes nodes by their
// block number, and the live trees answer "held" for odd ids, so both paths of each record
// kind run. The pass must end after one round and gather no more records than the blocks hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "engine/hfsplus/journal/HfsPlusJournal.h"

namespace {
constexpr std::size_t kSector = 512;
constexpr std::size_t kMaxJournal = 1 << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 64 || size > kMaxJournal) return 0;
    std::vector<std::uint8_t> bytes(pData, pData + size);
    bytes.resize((size + kSector - 1) / kSector * kSector, 0);
    std::size_t const deviceSize = bytes.size();
    CMemoryDevice device(std::move(bytes), static_cast<int>(kSector), STORAGE_DEVICE_VOLUME);

    std::uint64_t u64InfoSize = 0;
    for (int i = 7; i >= 0; --i) u64InfoSize = (u64InfoSize << 8) | pData[24 + i];
    std::optional<hfsplus::JournalHeader> const header =
        hfsplus::ParseJournalHeader(engine::ByteView(pData, size), u64InfoSize, 0, deviceSize);
    if (!header) return 0;

    std::vector<std::uint8_t> sector(kSector);
    hfsplus::JournalRead const read = [&](std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
        while (u64Length > 0) {
            std::uint64_t const u64Within = u64Offset % kSector;
            if (device.ReadSector(sector.data(), static_cast<long long>(u64Offset / kSector), 1) == 0) return false;
            std::uint64_t const u64Piece = std::min<std::uint64_t>(kSector - u64Within, u64Length);
            std::memcpy(pBuffer, sector.data() + u64Within, u64Piece);
            pBuffer += u64Piece;
            u64Offset += u64Piece;
            u64Length -= u64Piece;
        }
        return true;
    };
    hfsplus::LiveVolumeQuery live;
    live.belongsTo = [](std::uint64_t u64Offset) {
        constexpr std::uint32_t kFiles[] = {hfsplus::kCatalogFileID, hfsplus::kExtentsFileID,
                                            hfsplus::kAttributesFileID, 0};
        return kFiles[(u64Offset / kSector) % 4];
    };
    live.catalogHolds = [](hfsplus::CatalogKey const&, hfsplus::CatalogRecord const& record) {
        return record.u32ID % 2 == 1;
    };
    live.extentsHold = [](hfsplus::ExtentKey const& key) { return key.u32FileID % 2 == 1; };
    live.attributesHold = [](hfsplus::AttrKey const& key) { return key.u32FileID % 2 == 1; };

    hfsplus::CHFSPlusDeletedRecords records;
    std::size_t added = 0;
    (void)hfsplus::GatherDeletedRecords(*header, read, live, records, nullptr, [&added] { ++added; });
    if (added != records.CatalogCount()) __builtin_trap();
    for (auto const& [identity, record] : records.CatalogNewestFirst())
        if (identity.u32ID != record.u32ID || record.u32ID % 2 == 1) __builtin_trap();
    return 0;
}
