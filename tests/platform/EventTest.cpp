#include <gtest/gtest.h>

#include <atomic>
#include <poll.h>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/Thread.h"

TEST(EventTest, ManualResetStaysSetUntilReset)
{
    CEvent event(CEvent::Kind::ManualReset);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

TEST(EventTest, AutoResetReleasesOneWaitThenClears)
{
    CEvent event(CEvent::Kind::AutoReset, true);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(EventTest, WaitTimesOutAfterItsTime)
{
    CEvent event(CEvent::Kind::AutoReset);
    const uint64_t start = MonotonicMs();
    EXPECT_FALSE(event.Wait(60));
    const uint64_t took = MonotonicMs() - start;
    EXPECT_GE(took, 59u);
    EXPECT_LT(took, 1000u);
}

TEST(EventTest, SetFromAnotherThreadWakesAnInfiniteWait)
{
    CEvent event(CEvent::Kind::AutoReset);
    std::thread setter([&] {
        SleepMs(20);
        event.Set();
    });
    EXPECT_TRUE(event.Wait(kInfinite));
    setter.join();
}

TEST(EventTest, AutoResetWakesExactlyOneOfManyWaiters)
{
    CEvent event(CEvent::Kind::AutoReset);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            if (event.Wait(300)) {
                ++released;
            }
        });
    }
    SleepMs(30);
    event.Set();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released.load(), 1);
}

TEST(EventTest, WaitForAnyReturnsLowestSignalledIndex)
{
    CEvent a(CEvent::Kind::ManualReset), b(CEvent::Kind::AutoReset), c(CEvent::Kind::AutoReset);
    std::vector<CEvent*> events{&a, &b, &c};
    EXPECT_EQ(WaitForAnyEvent(events, 0), kWaitTimeout);
    c.Set();
    b.Set();
    EXPECT_EQ(WaitForAnyEvent(events, 0), 1);
    EXPECT_EQ(WaitForAnyEvent(events, 0), 2);
    EXPECT_EQ(WaitForAnyEvent(events, 10), kWaitTimeout);
}

TEST(EventTest, WaitForAnyIsWokenByALateSet)
{
    CEvent a(CEvent::Kind::AutoReset), b(CEvent::Kind::AutoReset);
    std::vector<CEvent*> events{&a, &b};
    std::thread setter([&] {
        SleepMs(20);
        b.Set();
    });
    EXPECT_EQ(WaitForAnyEvent(events, 2000), 1);
    setter.join();
}

TEST(EventTest, WaitForAnyRefusesMoreThan64AndNone)
{
    std::vector<std::unique_ptr<CEvent>> owned;
    std::vector<CEvent*> events;
    for (size_t i = 0; i < kMaxWaitObjects + 1; ++i) {
        owned.push_back(std::make_unique<CEvent>(CEvent::Kind::ManualReset, true));
        events.push_back(owned.back().get());
    }
    EXPECT_EQ(WaitForAnyEvent(events, 0), kWaitFailed);
    events.pop_back();
    EXPECT_EQ(WaitForAnyEvent(events, 0), 0);
    EXPECT_EQ(WaitForAnyEvent(nullptr, 0, 0), kWaitFailed);
}

TEST(EventTest, ManualResetDescriptorIsReadableExactlyWhileSet)
{
    CEvent event(CEvent::Kind::ManualReset);
    ASSERT_GE(event.PollFd(), 0);
    pollfd fd{event.PollFd(), POLLIN, 0};
    EXPECT_EQ(poll(&fd, 1, 0), 0);
    event.Set();
    event.Set();
    EXPECT_EQ(poll(&fd, 1, 0), 1);
    event.Reset();
    EXPECT_EQ(poll(&fd, 1, 0), 0);
    EXPECT_EQ(CEvent(CEvent::Kind::AutoReset).PollFd(), -1);
}

TEST(EventTest, ManySettersAndWaitersLoseNoWakeups)
{
    // Every Set of an auto-reset event is consumed by some wait; none is lost and none doubled
    // while the waiter keeps up (one Set per round, acknowledged before the next).
    CEvent work(CEvent::Kind::AutoReset), done(CEvent::Kind::AutoReset);
    constexpr int kRounds = 2000;
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            ASSERT_TRUE(work.Wait(5000));
            done.Set();
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        work.Set();
        ASSERT_TRUE(done.Wait(5000));
    }
    worker.join();
    EXPECT_FALSE(work.Wait(0));
}

TEST(ThreadTest, WaitForEndSeesTheBodyReturn)
{
    CEvent go(CEvent::Kind::ManualReset);
    CThread thread;
    ASSERT_TRUE(thread.Start([&] { go.Wait(kInfinite); }));
    EXPECT_FALSE(thread.Start([] {}));
    EXPECT_FALSE(thread.WaitForEnd(20));
    go.Set();
    EXPECT_TRUE(thread.WaitForEnd(2000));
    thread.Join();
    EXPECT_FALSE(thread.IsAttached());
    EXPECT_TRUE(thread.Start([] {}));
}

TEST(ClockTest, SleepHookReplacesPausesAndIsRestored)
{
    std::vector<uint32_t> pauses;
    {
        CSleepHook hook([&](uint32_t ms) { pauses.push_back(ms); });
        const uint64_t start = MonotonicMs();
        SleepMs(5000);
        SleepMs(1000);
        EXPECT_LT(MonotonicMs() - start, 1000u);
    }
    EXPECT_EQ(pauses, (std::vector<uint32_t>{5000, 1000}));
    const uint64_t start = MonotonicMs();
    SleepMs(20);
    EXPECT_GE(MonotonicMs() - start, 19u);
}
