// The records a quick format left outside a volume's new MFT, judged by where their numbers put
// them: the former MFT's first stretch and its later fragments are the volume's; an MFT head (a
// volume image's), an extent repeating the first stretch's numbers, a place another MFT claims
// or one off its number's place in a cluster is another MFT's; fragments claiming the same
// numbers, or lying beside another MFT that nothing places, are noted.
#include <gtest/gtest.h>

#include "engine/ntfs/complete/NTFSFormerMft.h"

namespace {

constexpr std::uint64_t kCluster = 4096;
constexpr std::uint64_t kRecord = 1024;
constexpr std::int64_t kMftCluster = 4;
using Verdict = CNTFSFormerMft::Verdict;

NtfsVolumeGeometry Geometry() {
    NtfsVolumeGeometry geometry;
    geometry.u32SectorsPerCluster = 8;
    geometry.u32RecordSize = kRecord;
    return geometry;
}

/// The byte where an extent from VCN 0 at cluster `s64Cluster` puts record `u64Number`.
std::uint64_t At(std::int64_t s64Cluster, std::uint64_t u64Number) {
    return static_cast<std::uint64_t>(s64Cluster) * kCluster + u64Number * kRecord;
}

/// A volume whose new MFT maps records 0-27 at cluster 4, where the former one ran on to record
/// 75; its fragments hold records 76-91 from cluster 300 and 92-107 from cluster 900. A deleted
/// image's MFT, placed by its $MFT record, holds records 0-40 at cluster 2000 and 120-129 at
/// cluster 4000; two extents claim records 200-214.
void AddFormattedVolume(CNTFSFormerMft& former) {
    for (std::uint64_t n = 28; n < 76; ++n) former.Add(n, At(kMftCluster, n), false);
    for (std::uint64_t n = 76; n < 92; ++n) former.Add(n, At(300 - 19, n), false);
    for (std::uint64_t n = 92; n < 108; ++n) former.Add(n, At(900 - 23, n), false);
    for (std::uint64_t n = 0; n < 41; ++n) former.Add(n, At(2000, n), true);
    for (std::uint64_t n = 120; n < 130; ++n) former.Add(n, At(4000, n), true);
    for (std::uint64_t n = 200; n < 211; ++n) former.Add(n, At(5000, n), false);
    for (std::uint64_t n = 205; n < 215; ++n) former.Add(n, At(6000, n), false);
}

TEST(NtfsFormerMft, LaterFragmentsAreTheVolumesAndWhatCannotBeTheirsIsAnotherMfts) {
    CNTFSFormerMft former(Geometry(), kMftCluster, 28);
    AddFormattedVolume(former);
    former.Settle();
    EXPECT_EQ(former.Judge(40, At(kMftCluster, 40)), Verdict::kOwn);
    EXPECT_EQ(former.Judge(80, At(300 - 19, 80)), Verdict::kOwn);
    EXPECT_EQ(former.Judge(107, At(900 - 23, 107)), Verdict::kOwn);
    EXPECT_EQ(former.Judge(30, At(2000, 30)), Verdict::kOther);
    EXPECT_EQ(former.Judge(125, At(4000, 125)), Verdict::kOther);
    EXPECT_EQ(former.Judge(201, At(5000, 201)), Verdict::kNoted);
    EXPECT_EQ(former.Judge(214, At(6000, 214)), Verdict::kNoted);
    EXPECT_EQ(former.Judge(81, At(300 - 19, 80) + 512), Verdict::kOther);  // off its place in a cluster
    EXPECT_EQ(former.Judge(300, At(7000, 300)), Verdict::kOther);          // never seen

    CNTFSFormerMft unplaced(Geometry(), -1, 0);
    unplaced.Add(100, At(10000, 100), false);
    unplaced.Settle();
    EXPECT_EQ(unplaced.Judge(100, At(10000, 100)), Verdict::kOther);
}

TEST(NtfsFormerMft, FragmentsBesideAnMftNothingPlacesOrPastTheBoundAreNoted) {
    // Another image's MFT whose records 0-15 are lost: records 16-40 at cluster 3000.
    CNTFSFormerMft beside(Geometry(), kMftCluster, 28);
    AddFormattedVolume(beside);
    for (std::uint64_t n = 16; n < 41; ++n) beside.Add(n, At(3000, n), false);
    beside.Settle();
    EXPECT_EQ(beside.Judge(30, At(3000, 30)), Verdict::kOther);
    EXPECT_EQ(beside.Judge(40, At(kMftCluster, 40)), Verdict::kOwn);
    EXPECT_EQ(beside.Judge(80, At(300 - 19, 80)), Verdict::kNoted);
    EXPECT_EQ(beside.Judge(125, At(4000, 125)), Verdict::kOther);

    // A former MFT in 1,000 fragments of 4 records each, every one 7 clusters past the last.
    CNTFSFormerMft fragmented(Geometry(), kMftCluster, 28);
    for (std::uint64_t n = 28; n < 4028; ++n)
        fragmented.Add(n, At(static_cast<std::int64_t>(1000 + 7 * (n / 4)), n % 4), false);
    fragmented.Settle();
    for (std::uint64_t n : {28u, 1001u, 4027u})
        EXPECT_EQ(fragmented.Judge(n, At(static_cast<std::int64_t>(1000 + 7 * (n / 4)), n % 4)), Verdict::kOwn) << n;

    // Single records, each at a shift of its own and far apart in number, past the bound.
    CNTFSFormerMft spread(Geometry(), kMftCluster, 28);
    std::size_t const extents = CNTFSFormerMft::kMaxExtents + 10;
    for (std::uint64_t k = 0; k < extents; ++k)
        spread.Add(100 + 10 * k, At(static_cast<std::int64_t>(10000 + k), 100 + 10 * k), false);
    spread.Settle();
    EXPECT_EQ(spread.Judge(100, At(10000, 100)), Verdict::kNoted);
    std::uint64_t const u64Last = 100 + 10 * (extents - 1);
    EXPECT_EQ(spread.Judge(u64Last, At(static_cast<std::int64_t>(10000 + extents - 1), u64Last)), Verdict::kNoted);
}

}  // namespace
