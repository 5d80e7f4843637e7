#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>

#include "core/export/detail/ordered_jobs.h"

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

TEST(OrderedJobs, OneThreadRunsEachJobInsideTake) {
    std::vector<int> ran;
    std::vector<OrderedJobs<int>::Job> jobs;
    for (int i = 0; i < 3; ++i)
        jobs.push_back([i, &ran] {
            ran.push_back(i);
            return i;
        });
    OrderedJobs<int> ordered(std::move(jobs), 1, 8);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(ordered.take(), 0);
    EXPECT_EQ(ran, std::vector<int>{0});
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
