#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stop_token>
#include <thread>

#include "core/platform/ordered_jobs.h"

namespace mosavelle {
namespace {

TEST(OrderedJobs, ResultsComeInListOrderWithinTheWindow) {
    constexpr int count = 40;
    constexpr std::size_t window = 3;
    std::atomic<int> outstanding{0};
    std::atomic<int> mostOutstanding{0};
    std::vector<OrderedJobs<int>::Job> jobs;
    for (int i = 0; i < count; ++i) {
        jobs.push_back([i, &outstanding, &mostOutstanding] {
            const int now = ++outstanding;
            int seen = mostOutstanding.load();
            while (now > seen && !mostOutstanding.compare_exchange_weak(seen, now)) {
            }
            // Later jobs often finish first.
            std::this_thread::sleep_for(std::chrono::microseconds((count - i) % 7 * 300));
            return i * i;
        });
    }
    OrderedJobs<int> ordered(std::move(jobs), 4, window);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(ordered.take(), i * i);
        --outstanding;  // taken: no longer held
    }
    EXPECT_EQ(ordered.remaining(), 0u);
    // Running or finished-but-untaken jobs never exceed the window (plus the one being taken).
    EXPECT_LE(mostOutstanding.load(), static_cast<int>(window) + 1);
}

TEST(OrderedJobs, AStopRequestEndsTheWaitAndRunsNothingMore) {
    std::atomic<bool> release{false};
    std::atomic<int> ran{0};
    const auto jobs = [&] {
        const auto held = [&] {
            ++ran;
            while (!release.load())
                std::this_thread::yield();
            return 7;
        };
        return std::vector<OrderedJobs<int>::Job>{held, [] { return 8; }};
    };
    {
        OrderedJobs<int> pooled(jobs(), 2, 2);
        std::stop_source stop;
        std::jthread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            stop.request_stop();
        });
        EXPECT_FALSE(pooled.take(stop.get_token()));  // the first job is still running
        EXPECT_EQ(pooled.remaining(), 2u);
        release = true;
    }
    ran = 0;
    std::stop_source stopped;
    stopped.request_stop();
    OrderedJobs<int> inline_(jobs(), 1, 2);
    EXPECT_FALSE(inline_.take(stopped.get_token()));
    EXPECT_EQ(ran.load(), 0);
}

TEST(OrderedJobs, DestroyingWithUntakenJobsWaitsForRunningOnesOnly) {
    std::atomic<int> started{0};
    std::vector<OrderedJobs<int>::Job> jobs;
    for (int i = 0; i < 100; ++i)
        jobs.push_back([&started] {
            ++started;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return 0;
        });
    {
        OrderedJobs<int> ordered(std::move(jobs), 2, 2);
        ordered.take();
    }
    EXPECT_LT(started.load(), 10);
}

}  // namespace
}  // namespace mosavelle
