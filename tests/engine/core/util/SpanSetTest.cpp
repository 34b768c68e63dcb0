#include "engine/core/util/SpanSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::int64_t kLine = 4096;

/// Checks every answer of `spans` against `held`, the points added so far one by one.
void ExpectSameAs(CSpanSet const& spans, std::vector<bool> const& held, std::mt19937& random) {
    std::uniform_int_distribution<std::int64_t> point(0, kLine - 1);
    for (int question = 0; question < 8; ++question) {
        std::int64_t const s64First = point(random);
        std::int64_t const s64End = s64First + 1 + point(random) % 64;
        bool bAny = false;
        for (std::int64_t s64At = s64First; s64At < s64End && s64At < kLine; ++s64At) bAny = bAny || held[s64At];
        ASSERT_EQ(spans.Overlaps(s64First, s64End), bAny) << s64First << "-" << s64End;
        ASSERT_EQ(spans.Holds(s64First), static_cast<bool>(held[s64First])) << s64First;
    }
}

}  // namespace

// A walk adds stretches and asks about points in turns; stretches added and not merged yet must
// answer as merged ones do, and every answer after a merge must hold every point added.
TEST(SpanSetTest, StretchesAddedBetweenQuestionsAnswerAsMergedOnes) {
    std::mt19937 random(11);
    std::uniform_int_distribution<std::int64_t> point(0, kLine - 1);
    CSpanSet spans;
    std::vector<bool> held(kLine, false);
    for (int step = 0; step < 3000; ++step) {
        std::int64_t const s64First = point(random);
        std::int64_t const s64End = std::min(kLine, s64First + 1 + point(random) % 8);
        spans.Add(s64First, s64End);
        for (std::int64_t s64At = s64First; s64At < s64End; ++s64At) held[s64At] = true;
        ExpectSameAs(spans, held, random);
        if (step % 500 != 499) continue;
        std::int64_t s64Points = 0;
        std::int64_t s64LastEnd = -1;
        for (CSpanSet::Span const& span : spans.Spans()) {
            ASSERT_GT(span.first, s64LastEnd) << "spans sorted, disjoint and not touching";
            for (std::int64_t s64At = span.first; s64At < span.second; ++s64At) ASSERT_TRUE(held[s64At]) << s64At;
            s64Points += span.second - span.first;
            s64LastEnd = span.second;
        }
        EXPECT_EQ(s64Points, std::count(held.begin(), held.end(), true));
        std::int64_t const s64At = point(random);
        std::int64_t s64Free = s64At;
        while (s64Free < kLine && held[s64Free]) ++s64Free;
        EXPECT_EQ(spans.FirstFreeFrom(s64At), s64Free);
    }
}
