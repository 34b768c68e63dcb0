// Threaded behaviour that a wrong lock implementation gets wrong: lost wake-ups, the owner of a
// recursive lock, and waits that must not return early.
#include "engine/core/util/Locks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;

TEST(WaitEventTest, WakeUpBeforeWaitIsNotLost) {
    WaitEvent event;
    event.WakeUp();
    auto waiter = std::async(std::launch::async, [&] { event.EnterWait(0); });
    bool const bReturned = waiter.wait_for(5s) == std::future_status::ready;
    if (!bReturned) event.WakeUp();  // release the waiter so the test can end
    EXPECT_TRUE(bReturned) << "EnterWait missed a WakeUp given before it";
}

TEST(WaitEventTest, EachWakeUpReleasesOneWait) {
    WaitEvent event;
    event.WakeUp();
    event.EnterWait(0);  // takes the WakeUp
    auto waiter = std::async(std::launch::async, [&] { event.EnterWait(0); });
    EXPECT_EQ(waiter.wait_for(100ms), std::future_status::timeout) << "a WakeUp was used twice";
    event.WakeUp();
    EXPECT_EQ(waiter.wait_for(5s), std::future_status::ready);
}

TEST(SimpleCsTest, RecursiveEntryKeepsTheOwnerUntilTheLastLeave) {
    SimpleCs cs;
    EXPECT_EQ(cs.GetOwner(), 0);
    cs.EnterCS("outer");
    cs.EnterCS("inner");
    EXPECT_EQ(cs.GetOwner(), gettid());
    cs.LeaveCS();
    EXPECT_EQ(cs.GetOwner(), gettid()) << "still held once";

    std::atomic<pid_t> otherTid{0};
    auto other = std::async(std::launch::async, [&] {
        SimpleLock lock(&cs, "other");
        otherTid = gettid();
        return cs.GetOwner();
    });
    EXPECT_EQ(other.wait_for(100ms), std::future_status::timeout) << "another thread entered a held lock";
    cs.LeaveCS();
    ASSERT_EQ(other.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(other.get(), otherTid.load());
    EXPECT_EQ(cs.GetOwner(), 0);
}

TEST(ScopedLocksTest, NullPointersDoNothing) {
    SimpleLock simple(nullptr, "none");
    ReadLock read(nullptr, "none");
    WriteLock write(nullptr, "none");
}

TEST(RWLockTest, WriterWaitsForReaders) {
    RWLock lock;
    ASSERT_EQ(lock.EnterRead("reader"), 0);
    auto writer = std::async(std::launch::async, [&] { WriteLock hold(&lock, "writer"); });
    EXPECT_EQ(writer.wait_for(100ms), std::future_status::timeout);
    EXPECT_EQ(lock.LeaveRead(), 0);
    EXPECT_EQ(writer.wait_for(5s), std::future_status::ready);
}

TEST(CondLockerTest, SignalBeforeWaitIsNotLost) {
    cond_locker cond;
    std::atomic<bool> bReady{false};
    bReady = true;
    cond.signal();
    auto waiter = std::async(std::launch::async, [&] { cond.wait_until([&] { return bReady.load(); }); });
    EXPECT_EQ(waiter.wait_for(5s), std::future_status::ready);
}
