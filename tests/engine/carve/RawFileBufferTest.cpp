// The windowed reader and the ring device that analysers read through.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "PlantedDevice.h"
#include "engine/IProgress.h"
#include "engine/carve/BufferStorageDevice.h"
#include "engine/carve/NotifyCenter.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/core/device/MemoryDevice.h"
#include "testkit/ProgressSink.h"

namespace {

/// Sector n holds the byte n & 0xFF throughout, so any byte tells which sector it came from.
std::vector<std::uint8_t> Stamped(std::size_t sectors, std::size_t sectorSize = 512) {
    std::vector<std::uint8_t> bytes(sectors * sectorSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i / sectorSize);
    return bytes;
}

TEST(RawFileBufferTest, ReadsAcrossWindowsGiveTheDeviceBytes) {
    CMemoryDevice device(Stamped(1000));
    RawFileBuffer reader(&device, 10);
    struct Case {
        std::uint64_t u64Offset;
        std::uint32_t u32Length;
    };
    // Inside the first window, across its end, a whole window at an odd offset, and back.
    for (Case const c : {Case{0, 4}, Case{65530, 20}, Case{70000, 65536}, Case{511, 2}, Case{300000, 4096}}) {
        engine::ByteView const view = reader.Read(c.u64Offset, c.u32Length);
        ASSERT_EQ(view.Size(), c.u32Length) << c.u64Offset;
        for (std::uint32_t i = 0; i < c.u32Length; i += 97)
            EXPECT_EQ(view.U8(i), static_cast<std::uint8_t>((c.u64Offset + i) / 512 + 10)) << c.u64Offset + i;
    }
    EXPECT_TRUE(reader.Read(0, 65537).Empty()) << "longer than a window";
}

TEST(RawFileBufferTest, StopsAtTheDeviceEnd) {
    CMemoryDevice device(Stamped(100));
    RawFileBuffer reader(&device, 90);
    EXPECT_EQ(reader.Read(10 * 512 - 4, 4).Size(), 4u);
    EXPECT_TRUE(reader.Read(10 * 512 - 2, 4).Empty());
    EXPECT_EQ(reader.ReadUpTo(10 * 512 - 2, 4).Size(), 2u);
    EXPECT_TRUE(reader.ReadUpTo(10 * 512, 4).Empty());
    EXPECT_TRUE(reader.Read(~std::uint64_t{0} - 2, 4).Empty());
}

TEST(RawFileBufferTest, SalvagesTheRequestBeforeABadSectorAndRefusesOnIt) {
    CMemoryDevice device(Stamped(400));
    device.FailSector(100);
    RawFileBuffer reader(&device, 0);
    EXPECT_EQ(reader.Read(0, 512).Size(), 512u);
    EXPECT_TRUE(reader.Read(100 * 512, 4).Empty());
}

TEST(RawFileBufferTest, StoppedScanReadsNothing) {
    CMemoryDevice device(Stamped(400));
    testkit::ProgressSink progress;
    progress.StopAfter(1);
    CNotifyCenter::Instance().SetProgress(&progress);
    RawFileBuffer reader(&device, 0);
    EXPECT_TRUE(reader.Read(0, 4).Empty());
    CNotifyCenter::Instance().Reset();
}

TEST(RawFileBufferTest, AnotherReaderInvalidatesTheSharedWindow) {
    CMemoryDevice device(Stamped(400));
    RawFileBuffer first(&device, 0);
    RawFileBuffer second(&device, 200);
    EXPECT_EQ(first.Read(0, 1).U8(0), 0);
    EXPECT_EQ(second.Read(0, 1).U8(0), 200);
    EXPECT_EQ(first.Read(1, 1).U8(0), 0) << "reloaded, not served from the other reader's window";
}

TEST(BufferStorageDeviceTest, ServesWrappedRangesInDeviceOrderAndSendsTheRestToTheDevice) {
    CMemoryDevice device(Stamped(100));
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.InitBufferDevice(&device, 0, 512, 4, 3));
    std::vector<std::uint8_t> block(4 * 512);
    for (std::uint64_t b = 0; b < 5; ++b) {
        device.ReadSector(block.data(), static_cast<long long>(b * 4), 4);
        ring.AddBlockToBuffer(block.data(), b != 3);
    }
    EXPECT_EQ(ring.GetDeviceStartSector(), 8u);
    std::vector<std::uint8_t> out(4 * 512);
    struct Case {
        long long s64First;
        long long s64Count;
        bool bFromMemory;
    };
    // Blocks 2, 3 (unreadable) and 4 are held; block 4 lies at the ring's start.
    for (Case const c :
         {Case{8, 4, true}, Case{16, 4, true}, Case{10, 3, false}, Case{18, 3, false}, Case{6, 4, false}}) {
        std::uint64_t const u64Memory = ring.GetMemoryReads();
        ASSERT_EQ(ring.ReadSector(out.data(), c.s64First, c.s64Count), 1);
        EXPECT_EQ(ring.GetMemoryReads() - u64Memory, c.bFromMemory ? 1u : 0u) << c.s64First;
        for (long long s = 0; s < c.s64Count; ++s) EXPECT_EQ(out[static_cast<std::size_t>(s) * 512], c.s64First + s);
    }
}

TEST(BufferStorageDeviceTest, HoldsTheCallersBlocksByReferenceUntilTheyLeaveAndCopiesOnlyAShortOne) {
    CMemoryDevice device(Stamped(100));
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.InitBufferDevice(&device, 0, 512, 4, 2));
    std::vector<std::shared_ptr<std::vector<std::uint8_t>>> blocks;
    for (long long s64Block = 0; s64Block < 4; ++s64Block) {
        // The last block is one sector short: the ring copies it, zeros behind.
        long long const s64Sectors = s64Block == 3 ? 3 : 4;
        auto pBytes = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(s64Sectors) * 512);
        ASSERT_EQ(device.ReadSector(pBytes->data(), s64Block * 4, s64Sectors), 1);
        ring.HoldBlock(engine::ByteView(*pBytes), pBytes, true);
        blocks.push_back(pBytes);
    }
    EXPECT_EQ(ring.GetDeviceStartSector(), 8u);
    EXPECT_EQ(blocks[0].use_count(), 1) << "let go once it left the ring";
    EXPECT_EQ(blocks[1].use_count(), 1);
    EXPECT_EQ(blocks[2].use_count(), 2) << "held, not copied";
    EXPECT_EQ(ring.BlockHolding(9)->bytes.Data(), blocks[2]->data());
    EXPECT_EQ(blocks[3].use_count(), 1) << "a short block is copied";
    std::vector<std::uint8_t> out(2 * 512);
    ASSERT_EQ(ring.ReadSector(out.data(), 14, 2), 1);
    EXPECT_EQ(out[0], 14);
    EXPECT_TRUE(std::all_of(out.begin() + 512, out.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(BufferStorageDeviceTest, AReaderOverTheRingSeesAWindowOneBlockHoldsWhereItLies) {
    CMemoryDevice device(Stamped(RawFileBuffer::kLoadSectors * 4));
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.InitBufferDevice(&device, 0, 512, RawFileBuffer::kLoadSectors * 2, 2));
    auto pBlock = std::make_shared<std::vector<std::uint8_t>>(std::size_t{RawFileBuffer::kLoadSectors} * 2 * 512);
    ASSERT_EQ(device.ReadSector(pBlock->data(), 0, RawFileBuffer::kLoadSectors * 2), 1);
    ring.HoldBlock(engine::ByteView(*pBlock), pBlock, true);
    RawFileBuffer reader(&ring, 3);
    engine::ByteView const view = reader.Read(512, 512);
    ASSERT_FALSE(view.Empty());
    EXPECT_EQ(view.Data(), pBlock->data() + 4 * 512) << "no copy";
    RawFileBuffer other(&device, 50);
    EXPECT_EQ(other.Read(0, 1).U8(0), 50);
    EXPECT_EQ(reader.Read(2 * 512, 1).Data(), pBlock->data() + 5 * 512)
        << "another reader's load spoils no held window";
    // Past the held block the window is loaded, from the device, as before.
    RawFileBuffer beyond(&ring, RawFileBuffer::kLoadSectors * 2 + 1);
    EXPECT_EQ(beyond.Read(0, 1).U8(0), static_cast<std::uint8_t>(RawFileBuffer::kLoadSectors * 2 + 1));
}

TEST(BufferStorageDeviceTest, ReadsPastTheRingShareOneReadAheadAndFallBackToTheDeviceAsItIs) {
    carvetest::CPlantedDevice device(100, 512);
    for (std::uint64_t s = 0; s < 100; ++s) device.Plant(s * 512, {static_cast<std::uint8_t>(s)});
    device.SetFailingReads(
        [](long long s64First, long long s64Count) { return s64First <= 60 && 60 < s64First + s64Count; });
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.InitBufferDevice(&device, 0, 512, 4, 2));
    ring.AddBlockToBuffer(nullptr, false);  // unreadable: reads there go to the device
    ring.AddBlockToBuffer(nullptr, false);
    std::vector<std::uint8_t> out(4 * 512);
    struct Case {
        long long s64First;
        long long s64Count;
        int iAnswer;
        std::uint64_t u64DeviceReads;  // of the planted device
    };
    // The ring holds sectors 0-7. Sectors 8-11 are read ahead once and serve 8, 9-11 and 10;
    // a read past them reads ahead from its start; one whose read-ahead fails (57-60 holds bad
    // sector 60), that starts where one failed, or that passes the device's end is asked of the
    // device as it is.
    for (Case const c : {Case{8, 1, 1, 1}, Case{9, 3, 1, 0}, Case{10, 1, 1, 0}, Case{11, 2, 1, 1}, Case{57, 2, 1, 2},
                         Case{60, 1, 0, 1}, Case{98, 4, 1, 1}, Case{6, 3, 1, 1}}) {
        std::uint64_t const u64Before = device.ReadCount();
        EXPECT_EQ(ring.ReadSector(out.data(), c.s64First, c.s64Count), c.iAnswer) << c.s64First;
        EXPECT_EQ(device.ReadCount() - u64Before, c.u64DeviceReads) << c.s64First;
        for (long long s = 0; c.iAnswer == 1 && s < c.s64Count && c.s64First + s < 100; ++s)
            EXPECT_EQ(out[static_cast<std::size_t>(s) * 512], c.s64First + s) << c.s64First;
    }
}

}  // namespace
