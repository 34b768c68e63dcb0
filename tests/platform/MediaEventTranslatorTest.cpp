#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MediaEvents.h"

namespace {

using platform::MediaEvent;
using platform::MediaEventTranslator;
using Clock = MediaEventTranslator::Clock;
using std::chrono::milliseconds;
constexpr auto A = MediaEvent::Action::Add;
constexpr auto C = MediaEvent::Action::Change;
constexpr auto R = MediaEvent::Action::Remove;

// One step of a recorded sequence: an event at a time, or (no name) a look at what is due,
// with or without a modal dialog open.
struct Step {
    int ms;
    MediaEvent::Action action;
    char const* name;  // null: take what is due
    bool modal = false;
};

struct Sequence {
    char const* label;
    std::vector<Step> steps;
    std::string expected;  // what was posted: "A" per attach, "D:name" per detach, space-separated
};

std::string Replay(Sequence const& sequence) {
    MediaEventTranslator translator(milliseconds(500));
    Clock::time_point const start{};
    std::string posted;
    for (Step const& step : sequence.steps) {
        Clock::time_point const now = start + milliseconds(step.ms);
        if (step.name) {
            translator.Feed({step.action, step.name}, now);
            continue;
        }
        MediaEventTranslator::Due const due = translator.TakeDue(now, step.modal);
        for (std::string const& name : due.detached) posted += "D:" + name + " ";
        if (due.attach) posted += "A ";
    }
    if (!posted.empty()) posted.pop_back();
    return posted;
}

class MediaEvents : public testing::TestWithParam<Sequence> {};

TEST_P(MediaEvents, PostsOneAttachPerBurstAndOneDetachPerRemoval) {
    EXPECT_EQ(Replay(GetParam()), GetParam().expected);
}

// Sequences as udevadm monitor --udev --subsystem-match=block prints them for real media.
INSTANTIATE_TEST_SUITE_P(
    Recorded, MediaEvents,
    testing::Values(
        Sequence{"StickWithTwoPartitions",
                 {{0, A, "sdb"},
                  {20, A, "sdb1"},
                  {25, A, "sdb2"},
                  {40, C, "sdb"},
                  {100, A, nullptr},
                  {539, A, nullptr},
                  {540, A, nullptr},
                  {2000, A, nullptr}},
                 "A"},
        Sequence{"FiftyLoopDevicesOneEnumeration",
                 [] {
                     std::vector<Step> steps;
                     for (int i = 0; i < 50; ++i) steps.push_back({i * 100, A, "loop"});
                     for (int i = 0; i < 50; ++i) steps.push_back({i * 100 + 50, A, nullptr});
                     steps.push_back({4900 + 500, A, nullptr});
                     steps.push_back({9000, A, nullptr});
                     return steps;
                 }(),
                 "A"},
        Sequence{"TwoBurstsTwoAttaches",
                 {{0, A, "loop0"}, {600, A, nullptr}, {1000, A, "loop1"}, {1200, A, "loop1p1"}, {1700, A, nullptr}},
                 "A A"},
        Sequence{
            "StickPulledOut", {{0, R, "sdb1"}, {1, R, "sdb2"}, {2, R, "sdb"}, {10, A, nullptr}}, "D:sdb1 D:sdb2 D:sdb"},
        Sequence{"RemovalAnnouncedTwiceIsOneDetach",
                 {{0, R, "loop3"}, {1, R, "loop3"}, {10, A, nullptr}, {20, R, "loop3"}, {30, A, nullptr}},
                 "D:loop3 D:loop3"},
        Sequence{
            "EventsDuringModalDialogWaitUntilItCloses",
            {{0, A, "sdc"}, {10, R, "sdb"}, {20, A, nullptr, true}, {900, A, nullptr, true}, {3000, A, nullptr, false}},
            "D:sdb A"},
        Sequence{"NothingHappened", {{0, A, nullptr}, {5000, A, nullptr}}, ""}),
    [](testing::TestParamInfo<Sequence> const& param) { return std::string(param.param.label); });

TEST(MediaEventTranslator, WakesWhenTheBurstHasBeenQuiet) {
    MediaEventTranslator translator(milliseconds(500));
    Clock::time_point const start{};
    EXPECT_FALSE(translator.NextWake(start).has_value());
    translator.Feed({A, "sdb"}, start);
    EXPECT_EQ(translator.NextWake(start + milliseconds(200)), Clock::duration(milliseconds(300)));
    translator.Feed({R, "sdc"}, start + milliseconds(300));
    EXPECT_EQ(translator.NextWake(start + milliseconds(300)), Clock::duration::zero());
}

}  // namespace
