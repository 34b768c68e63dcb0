#pragma once
// The ring of the last blocks the signature search read, seen by the analysers as a storage
// device: a read that lies wholly in the ring's readable blocks is served from memory, any
// other read goes whole to the real device. The blocks held are consecutive on the device.
//
// The ring holds the blocks themselves, by reference: the complete scan's read-ahead blocks
// stay where the pass put them for as long as the ring holds them, and nothing is copied. A
// caller with no such block to share has it read into a buffer of the ring's own.
//
// A read past the ring's newest block (a walk along a long file hopping ahead of the scan) is
// served from one read-ahead of a block's length, shared by every walk: the walks forward past
// the ring read the device a block at a time, not a window at a time. Where the read-ahead
// cannot be read whole, the read goes to the device as it is.
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/core/util/LargeBuffer.h"

class CBufferStorageDevice final : public IStorageDevice {
public:
    CBufferStorageDevice() = default;
    CBufferStorageDevice(CBufferStorageDevice const&) = delete;
    CBufferStorageDevice& operator=(CBufferStorageDevice const&) = delete;

    int Open() override { return 1; }
    /// Releases the ring's bytes; answers 1.
    int Close() override;
    /// From memory when the range lies wholly in readable blocks held or (past them) in the
    /// read-ahead, else from the real device (0 without one).
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    int GetSectorSize() override { return m_u32SectorSize != 0 ? static_cast<int>(m_u32SectorSize) : 512; }
    /// The sectors held in the ring, not the device's size.
    long long GetTotalSectors() override { return static_cast<long long>(m_u64SectorsHeld); }
    int IOCtl(unsigned long long, void*) override { return 0; }
    IStorageDeviceData* GetPrivateData() override { return nullptr; }
    void SetPrivateData(IStorageDeviceData*) override {}
    int GetType() override { return 3; }  // a cached device
    RESULT GetLastError() override { return 0; }

    /// Sets up an empty ring of `u32BlockCount` blocks of `u32SectorsPerBlock` sectors, the first
    /// at `u64StartSector`, in front of `pDevice` (not owned); buffers of its own are followed by
    /// `u32SlackBytes` zeros. False when the sizes are zero or the ring would not fit in memory.
    bool InitBufferDevice(IStorageDevice* pDevice, std::uint64_t u64StartSector, std::uint32_t u32SectorSize,
                          std::uint32_t u32SectorsPerBlock, std::uint32_t u32BlockCount,
                          std::uint32_t u32SlackBytes = 0);
    bool IsFullBuffer() const { return m_bInitialised && m_u32BlocksHeld == m_u32BlockCount; }
    /// Makes `bytes` the newest block, dropping the oldest when full, and keeps `pKeep` while it
    /// holds them. Bytes shorter than a block (a short last block) are copied, zeros behind. An
    /// unreadable block (`bReadable` false) still takes its place, so the ring stays in step with
    /// the device; reads touching it go to the device.
    void HoldBlock(engine::ByteView bytes, std::shared_ptr<void const> pKeep, bool bReadable);
    /// A buffer of the ring's own for a block to be read into (a block's bytes, then zeroed
    /// slack), one no held block uses; throws std::bad_alloc when none can be had.
    std::shared_ptr<engine::LargeBuffer> SpareBuffer();
    /// Lets go of the held blocks that end at or before device sector `u64Sector`, which nothing
    /// will read again: their buffers can take new blocks while the ring keeps their places, so
    /// its start and fullness stay as they were. A read touching one goes to the device.
    void LetGoBefore(std::uint64_t u64Sector);
    /// Copies one block (sectors-per-block sectors from `pBlock`; zeros when null) into a buffer
    /// of the ring's own and holds it.
    void AddBlockToBuffer(std::uint8_t const* pBlock, bool bReadable = true);
    /// The device sector of the oldest sector held.
    std::uint64_t GetDeviceStartSector() const { return m_u64RingStart; }
    IStorageDevice* GetRealDevice() const { return m_pDevice; }

    /// A block held, seen where it lies: its first device sector and its bytes (empty when it
    /// was unreadable). The view lasts until the block leaves the ring.
    struct HeldBlock {
        std::uint64_t u64FirstSector = 0;
        std::uint64_t u64Sectors = 0;
        engine::ByteView bytes;
    };
    /// The held block that holds device sector `u64Sector`; none when no block held does.
    std::optional<HeldBlock> BlockHolding(std::uint64_t u64Sector) const;
    /// The `u64Count` sectors from `u64First` where they lie, when one readable block held holds
    /// them all (a read from memory); empty otherwise. Lasts while that block is held.
    engine::ByteView View(std::uint64_t u64First, std::uint64_t u64Count);

    /// Reads served from memory (the ring or the read-ahead) and reads of the device (the
    /// read-ahead's included), since InitBufferDevice.
    std::uint64_t GetMemoryReads() const { return m_u64MemoryReads; }
    std::uint64_t GetDeviceReads() const { return m_u64DeviceReads; }

private:
    bool RangeInRing(std::uint64_t u64First, std::uint64_t u64Count) const;
    /// Copies the range from the read-ahead, loading it from `u64First` first when it does not
    /// hold the range; false when the device cannot give a block's length there.
    bool ReadAhead(std::uint8_t* pOut, std::uint64_t u64First, std::uint64_t u64Count);
    /// The slot of the ring's `u64Block`-th block, counted from the oldest held.
    std::size_t SlotOf(std::uint64_t u64Block) const {
        return static_cast<std::size_t>((m_u32OldestSlot + u64Block) % m_u32BlockCount);
    }
    std::size_t BlockBytes() const { return std::size_t{m_u32SectorsPerBlock} * m_u32SectorSize; }

    struct Held {
        std::shared_ptr<void const> pKeep;
        std::uint8_t const* pBytes = nullptr;  // null: unreadable
    };
    std::vector<Held> m_slots;  // one a block
    std::vector<std::shared_ptr<engine::LargeBuffer>> m_ownBuffers;
    std::uint32_t m_u32SlackBytes = 0;
    std::uint64_t m_u64RingStart = 0;
    std::uint64_t m_u64SectorsHeld = 0;
    std::uint32_t m_u32OldestSlot = 0;
    std::uint32_t m_u32BlocksHeld = 0;
    std::uint32_t m_u32SectorsPerBlock = 0;
    std::uint32_t m_u32BlockCount = 0;
    bool m_bInitialised = false;
    IStorageDevice* m_pDevice = nullptr;  // not owned
    std::uint32_t m_u32SectorSize = 512;
    std::vector<std::uint8_t> m_ahead;  // made on first use
    std::uint64_t m_u64AheadFirst = 0;
    std::uint64_t m_u64AheadSectors = 0;  // 0: holds nothing
    std::uint64_t m_u64FailedFirst = 0;   // the last read-ahead that failed
    std::uint64_t m_u64FailedSectors = 0;
    std::uint64_t m_u64MemoryReads = 0;
    std::uint64_t m_u64DeviceReads = 0;
};
