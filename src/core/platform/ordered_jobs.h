#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/platform/thread_priority.h"

namespace mosavelle {

// How the pool's threads share the processor with the rest of the process.
enum class WorkerPriority {
    normal,
    // Below every thread at normal priority, an interface thread among them: a long batch keeps
    // the cores busy, yet a woken interface thread runs at once rather than after a time slice.
    background,
};

// Runs a list of independent jobs on a pool of threads while the caller takes their results
// strictly in list order, so that whatever the caller builds from them is the same as with one
// thread. At most `window` jobs are running or finished-but-untaken at any time, which bounds the
// memory held by results waiting for their turn.
//
// With one thread no pool is started: each job runs on the caller's thread inside `take`, exactly
// as a plain loop would. Jobs must not throw. Destroying the object stops starting new jobs and
// waits for the running ones; untaken results are discarded. `take` is for one caller thread.
template <class T>
class OrderedJobs {
public:
    using Job = std::function<T()>;

    OrderedJobs(std::vector<Job> jobs, unsigned threads, std::size_t window,
                WorkerPriority priority = WorkerPriority::normal)
        : jobs_(std::move(jobs)),
          results_(jobs_.size()),
          window_(std::max<std::size_t>(window, 1)),
          priority_(priority) {
        const std::size_t useful = std::min<std::size_t>(threads, jobs_.size());
        if (useful <= 1)
            return;
        try {
            for (std::size_t i = 0; i < useful; ++i)
                workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // The system refused another thread: finish with the jobs already started and run
            // the rest on the caller's thread.
            stopAll();
        }
    }

    ~OrderedJobs() { stopAll(); }

    OrderedJobs(const OrderedJobs&) = delete;
    OrderedJobs& operator=(const OrderedJobs&) = delete;

    std::size_t remaining() const {
        std::lock_guard lock(mutex_);
        return jobs_.size() - nextToTake_;
    }

    // The result of the next job in list order, waiting for it when needed. Precondition:
    // remaining() > 0.
    T take() { return *take(std::stop_token()); }

    // As `take`, but nothing once `stop` is requested, whether before the call or while waiting
    // for the job; the job stays untaken.
    std::optional<T> take(std::stop_token stop) {
        if (stop.stop_requested())
            return std::nullopt;
        std::unique_lock lock(mutex_);
        const std::size_t index = nextToTake_;
        if (workers_.empty() && !results_[index]) {
            Job job = std::move(jobs_[index]);
            ++nextToTake_;
            lock.unlock();
            return job();
        }
        if (!changed_.wait(lock, stop, [&] { return results_[index].has_value(); }))
            return std::nullopt;
        T result = std::move(*results_[index]);
        results_[index].reset();
        ++nextToTake_;
        lock.unlock();
        changed_.notify_all();
        return result;
    }

private:
    void stopAll() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (auto& worker : workers_)
            worker.join();
        workers_.clear();
    }

    void work() {
        if (priority_ == WorkerPriority::background)
            lowerThisThreadsPriority(10);
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] {
                return stopping_ || nextToStart_ >= jobs_.size() ||
                       nextToStart_ < nextToTake_ + window_;
            });
            if (stopping_ || nextToStart_ >= jobs_.size())
                return;
            const std::size_t index = nextToStart_++;
            Job job = std::move(jobs_[index]);  // its captures are released once it has run
            lock.unlock();
            T result = job();
            job = nullptr;
            lock.lock();
            results_[index].emplace(std::move(result));
            changed_.notify_all();
        }
    }

    std::vector<Job> jobs_;
    std::vector<std::optional<T>> results_;
    const std::size_t window_;
    const WorkerPriority priority_;
    std::size_t nextToStart_ = 0;
    std::size_t nextToTake_ = 0;
    bool stopping_ = false;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<std::thread> workers_;
};

}  // namespace mosavelle
