// What a volume found inside a file reads, and how each of its files is judged: the file's
// view over the device (pieces in the file's order, holes as zeros, nothing past its end), the
// sectors others use now, the stored form a results file keeps, and views of views.
#include <gtest/gtest.h>

#include <limits>
#include <numeric>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/core/crossvolume/VolumePlacement.h"
#include "engine/core/device/FileViewDevice.h"
#include "engine/core/device/MemoryDevice.h"

namespace {

/// A device of 64 sectors whose every byte names its sector.
CMemoryDevice NumberedDevice() {
    std::vector<std::uint8_t> bytes(64 * 512);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i / 512);
    return CMemoryDevice(std::move(bytes));
}

/// The sector each byte of a read came from, one per sector read.
std::vector<int> SectorsRead(IStorageDevice& device, long long s64First, long long s64Count) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s64Count) * 512, 0xEE);
    if (device.ReadSector(bytes.data(), s64First, s64Count) == 0) return {};
    std::vector<int> sectors;
    for (std::size_t i = 0; i < bytes.size(); i += 512) sectors.push_back(bytes[i]);
    return sectors;
}

CSpanSet Spans(std::initializer_list<std::pair<std::int64_t, std::int64_t>> spans) {
    CSpanSet set;
    for (auto const& [first, end] : spans) set.Add(first, end);
    return set;
}

TEST(FileView, ReadsAFilesPiecesInItsOrderHolesAsZerosAndNothingPastItsEnd) {
    CMemoryDevice device = NumberedDevice();
    // The file: sectors 40-42, a hole of two, then 10-11, given out of order; 8 sectors long.
    CFileViewDevice view(device, {{5, 10, 2}, {0, 40, 3}}, 8);
    EXPECT_EQ(view.GetTotalSectors(), 8);
    EXPECT_EQ(SectorsRead(view, 0, 8), (std::vector<int>{40, 41, 42, 0, 0, 10, 11, 0}));
    EXPECT_EQ(SectorsRead(view, 2, 4), (std::vector<int>{42, 0, 0, 10}));
    // A read running past the end is zero-filled; one starting there fails.
    EXPECT_EQ(SectorsRead(view, 6, 4), (std::vector<int>{11, 0, 0, 0}));
    EXPECT_TRUE(SectorsRead(view, 8, 1).empty());
    EXPECT_TRUE(SectorsRead(view, -1, 1).empty());
    // Extents that overlap keep the first sectors' first device place; none reaches past the end.
    CFileViewDevice overlapping(device, {{0, 20, 4}, {2, 30, 4}, {7, 50, 5}}, 8);
    EXPECT_EQ(SectorsRead(overlapping, 0, 8), (std::vector<int>{20, 21, 22, 23, 32, 33, 0, 50}));
    // A view as long as a damaged results file may claim: a read at its end does not wrap.
    std::int64_t const s64Huge = std::numeric_limits<std::int64_t>::max() - 1;
    CFileViewDevice huge(device, {{s64Huge - 2, 7, 1}}, s64Huge);
    EXPECT_EQ(SectorsRead(huge, s64Huge - 2, 4), (std::vector<int>{7, 0, 0, 0}));
}

TEST(VolumePlacement, JudgesAFileByTheDeviceSectorsItsViewSectorsLieOnAndAViewOfAViewByTheOuterOnesToo) {
    CVolumePlacement outer;
    outer.m_view = {{0, 1000, 50}, {50, 2000, 50}};
    outer.m_s64ViewSectors = 100;
    outer.m_taken.Add(2005, 2006);
    outer.m_doubtful.Add(1000, 1002);
    EXPECT_EQ(outer.Judge(Spans({{2, 50}})), 0u) << "sectors 1002-1049 are the volume's own";
    EXPECT_EQ(outer.Judge(Spans({{0, 1}})), kCodePossiblyOverwritten);
    EXPECT_EQ(outer.Judge(Spans({{0, 1}, {55, 56}})), kCodeOverwritten) << "a refusal outweighs a note";
    EXPECT_EQ(outer.Judge(Spans({{54, 55}, {56, 100}})), 0u);
    EXPECT_EQ(outer.DeviceSectors(Spans({{48, 52}})).Spans(),
              (std::vector<CSpanSet::Span>{{1048, 1050}, {2000, 2002}}));

    CVolumePlacement inner;
    inner.m_view = {{0, 40, 20}};  // the inner file starts 40 sectors into the outer one
    inner.m_s64ViewSectors = 20;
    inner.m_doubtful.Add(45, 46);
    CVolumePlacement const composed = inner.OnTopOf(outer);
    EXPECT_EQ(composed.m_view, (std::vector<SectorExtent>{{0, 1040, 10}, {10, 2000, 10}}));
    EXPECT_EQ(composed.m_s64ViewSectors, 20);
    EXPECT_EQ(composed.m_doubtful.Spans(), (std::vector<CSpanSet::Span>{{1000, 1002}, {1045, 1046}}));
    EXPECT_EQ(composed.Judge(Spans({{0, 5}, {6, 10}})), 0u);
    EXPECT_EQ(composed.Judge(Spans({{5, 6}})), kCodePossiblyOverwritten);
    EXPECT_EQ(composed.Judge(Spans({{15, 16}})), kCodeOverwritten) << "view sector 15 lies on device sector 2005";
}

TEST(VolumePlacement, StoredFormLoadsBackAndDamagedFormsLoadNothing) {
    CVolumePlacement placement;
    placement.m_view = {{0, 2048, 100}, {100, 9000, 28}};
    placement.m_s64ViewSectors = 130;
    placement.m_taken = Spans({{9010, 9020}});
    placement.m_doubtful = Spans({{2100, 2148}, {9000, 9001}});
    placement.m_container = "disk.vhdx (VHDX)";
    std::vector<std::uint8_t> const stored = placement.Store();
    auto const load = [](std::vector<std::uint8_t> const& bytes, std::size_t length) {
        return CVolumePlacement::Load(engine::ByteView(bytes.data(), length));
    };
    std::optional<CVolumePlacement> const loaded = load(stored, stored.size());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_view, placement.m_view);
    EXPECT_EQ(loaded->m_s64ViewSectors, 130);
    EXPECT_EQ(loaded->m_taken.Spans(), placement.m_taken.Spans());
    EXPECT_EQ(loaded->m_doubtful.Spans(), placement.m_doubtful.Spans());
    EXPECT_EQ(loaded->m_container, "disk.vhdx (VHDX)");
    EXPECT_EQ(loaded->Judge(CSpanSet()), kCodeInVirtualDisk) << "a file without sectors is refused as well";

    // Cut anywhere, a byte too many, another version, or a count naming more than the bytes hold: nothing.
    for (std::size_t length = 0; length < stored.size(); ++length) EXPECT_FALSE(load(stored, length)) << length;
    std::vector<std::uint8_t> longer = stored, version = stored, huge = stored;
    longer.push_back(0);
    version[0] = 2;
    huge[12] = 0xFF, huge[13] = 0xFF, huge[14] = 0xFF, huge[15] = 0x7F;  // the extent count
    for (auto const* pDamaged : {&longer, &version, &huge}) EXPECT_FALSE(load(*pDamaged, pDamaged->size()));
}

TEST(VolumePlacement, SpansPastTheStoredBoundAreJoinedSoThatTheyStillHoldEverySector) {
    CVolumePlacement placement;
    for (std::int64_t i = 0; i < 3 * static_cast<std::int64_t>(CVolumePlacement::kMaxSpans); ++i)
        placement.m_taken.Add(i * 10, i * 10 + 1 + i % 3);
    CSpanSet const before = placement.m_taken;
    placement.Bound();
    EXPECT_LE(placement.m_taken.Spans().size(), CVolumePlacement::kMaxSpans);
    for (CSpanSet::Span const& span : before.Spans())
        ASSERT_EQ(placement.m_taken.Within(span.first, span.second).Spans(), std::vector<CSpanSet::Span>{span})
            << span.first;
}

}  // namespace
