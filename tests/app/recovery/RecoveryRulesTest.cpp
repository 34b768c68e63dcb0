// The rules the results window applies before it starts anything: free space with its 5 %
// margin (saturating), the destination checks in their order, the search text's normalisation,
// the proposed results-file name and the address lookup's fallback to English.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include <unistd.h>

#include "app/recovery/QNLinkUrl.h"
#include "app/recovery/RecoveryChecks.h"
#include "app/results/ResultsTexts.h"

namespace {

using app::recovery::CheckDestination;
using app::recovery::DestinationCheck;
using app::recovery::DestinationProbe;
using app::recovery::EnoughSpace;
using app::recovery::NeededSpace;

TEST(RecoveryRules, FreeSpaceMustExceedTheCheckedSizeByFivePercent) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(NeededSpace(99), 103u);
    EXPECT_FALSE(EnoughSpace(103, 99));
    EXPECT_TRUE(EnoughSpace(104, 99));
    EXPECT_FALSE(EnoughSpace(105, 100)) << "exactly 105 % is too little";
    EXPECT_TRUE(EnoughSpace(106, 100));
    EXPECT_FALSE(EnoughSpace(0, 0));
    EXPECT_FALSE(EnoughSpace(-1, 0)) << "no answer counts as nothing free";
    // Near 2^64 the product would wrap to a small number and pass any check.
    EXPECT_EQ(NeededSpace(kMax), kMax);
    const std::uint64_t largest = kMax / 21 * 20;  // its 105 % still fits
    EXPECT_EQ(NeededSpace(largest), kMax / 21 * 21);
    EXPECT_EQ(NeededSpace(largest + 20), kMax);
    EXPECT_FALSE(EnoughSpace(std::numeric_limits<std::int64_t>::max(), kMax / 2));
}

TEST(RecoveryRules, ChecksRunInOrderAndStopAtTheFirstFailure) {
    struct Case {
        bool writable, sameDevice;
        std::int64_t free;
        DestinationCheck expected;
        int asked;  // probes called
    };
    const Case cases[] = {
        {false, true, 0, DestinationCheck::NoWriteAccess, 1},  // read-only on the scanned device
        {true, true, 0, DestinationCheck::SameDevice, 2},
        {true, false, 105, DestinationCheck::NoSpace, 3},
        {true, false, 106, DestinationCheck::Ok, 3},
    };
    for (const Case& c : cases) {
        int asked = 0;
        DestinationProbe probe;
        probe.writable = [&](const QString&) {
            ++asked;
            return c.writable;
        };
        probe.onScannedDevice = [&](const QString&) {
            ++asked;
            return c.sameDevice;
        };
        probe.freeBytes = [&](const QString&) {
            ++asked;
            return c.free;
        };
        EXPECT_EQ(CheckDestination(QStringLiteral("/dest"), 100, probe), c.expected);
        EXPECT_EQ(asked, c.asked);
    }
}

TEST(RecoveryRules, RealProbeRefusesAReadOnlyFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
    EXPECT_EQ(CheckDestination(QStringLiteral("/proc"), 1, DestinationProbe::Real()), DestinationCheck::NoWriteAccess);
}

TEST(SearchText, OneBlankGoesAtEachEndAndPastedRunsBecomeOne) {
    using app::results::GetSearchText;
    using app::results::IsBlankSearch;
    const QString nbsp = QString(QChar(0x00C2)) + QStringLiteral("  ");
    const std::pair<QString, QString> cases[] = {
        {" word ", "word"},
        {"  word", " word"},
        {"a  b", "a  b"},
        {"a" + nbsp + "b", "a b"},
        {"a" + nbsp + nbsp + "b", "a  b"},
        {nbsp + "x", "x"},
        {"", ""},
        {"<b>x</b>", "<b>x</b>"},
    };
    for (const auto& [typed, searched] : cases) EXPECT_EQ(GetSearchText(typed), searched) << typed.toStdString();
    EXPECT_TRUE(IsBlankSearch(" "));
    EXPECT_TRUE(IsBlankSearch("  "));
    EXPECT_FALSE(IsBlankSearch("   "));
    EXPECT_FALSE(IsBlankSearch(""));
    EXPECT_EQ(GetSearchText(QString(10240, QLatin1Char('a'))).size(), 10240);
}

TEST(SearchText, ResultsFileNamesAreSafe) {
    using app::results::ResultsFileName;
    EXPECT_EQ(ResultsFileName("sdb_12-07-2026 at 21_40_00"), "sdb_12-07-2026 at 21_40_00.rsf");
    const QString dotted = ResultsFileName("../..hidden/x");
    EXPECT_FALSE(dotted.startsWith('.')) << dotted.toStdString();
    EXPECT_FALSE(dotted.contains('/')) << dotted.toStdString();
    EXPECT_FALSE(ResultsFileName(std::string("a\0b", 3)).contains(QChar(0)));
    EXPECT_EQ(ResultsFileName(""), "_.rsf");
    EXPECT_LE(ResultsFileName(std::string(65536, 'n')).toUtf8().size(), 255);
}

TEST(LinkUrl, AnEmptyOrMissingAddressFallsBackToEnglish) {
    using app::QNLinkUrl;
    EXPECT_EQ(QNLinkUrl::GetUrl("FaceBookURL", "fr"), "https://en.example/share?u=1&v=2") << "empty counts as absent";
    EXPECT_EQ(QNLinkUrl::GetUrl("Twitter", "fr"), QString::fromUtf8("https://fr.example/intent?text=retrouvé"));
    EXPECT_EQ(QNLinkUrl::GetUrl("Twitter", "de"), QString::fromUtf8("https://en.example/intent?text=été found&via=q"));
    EXPECT_EQ(QNLinkUrl::GetUrl("GoogleURL", "fr"), "");
    EXPECT_EQ(QNLinkUrl::GetUrl("NoSuchKey", "en"), "");
}

}  // namespace
