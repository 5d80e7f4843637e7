#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <stop_token>
#include <type_traits>
#include <utility>

class QThreadPool;

namespace mosavelle::app {

// A request to stop one job, shared by the requester and the job's work: copies share one state.
// The work checks it (or hands its stop_token to the core) and returns early; what it returns is
// still delivered, so a requester sees its cancelled job end.
class CancelToken {
public:
    void cancel() { source_.request_stop(); }
    bool isCancelled() const { return source_.stop_requested(); }
    std::stop_token stopToken() const { return source_.get_token(); }

private:
    std::stop_source source_;
};

// The way back from worker threads to one receiver on the interface thread. A post runs on the
// interface thread while the receiver lives and is dropped once it is gone (or the way was
// closed); posting never races with the receiver's destruction. Copies share one way.
class InterfacePost {
public:
    // Interface thread. A null receiver drops every post.
    explicit InterfacePost(QObject* receiver);

    // Any thread.
    void operator()(std::function<void()> task) const;
    // Interface thread: drops the tasks still queued and every later one, for a receiver that
    // stops listening before it goes (or a job that has delivered its result).
    void close() const;

private:
    struct Gate;
    std::shared_ptr<Gate> gate_;
};

// What a job's work gets on its worker thread: whether it was cancelled, and a way to report
// progress to the requester (dropped once the requester is gone).
class JobContext {
public:
    JobContext(CancelToken cancel, InterfacePost post)
        : cancel_(std::move(cancel)), post_(std::move(post)) {}

    bool isCancelled() const { return cancel_.isCancelled(); }
    std::stop_token stopToken() const { return cancel_.stopToken(); }
    // Runs `onInterfaceThread` on the interface thread while the requester lives.
    void report(std::function<void()> onInterfaceThread) const {
        post_(std::move(onInterfaceThread));
    }
    // Interface thread: ends the way back once the result is delivered.
    void close() const { post_.close(); }

private:
    CancelToken cancel_;
    InterfacePost post_;
};

// Where a job runs: on the application's thread pool, or on a thread of its own for work that
// must not wait behind what the pool holds.
enum class JobThread { pool, own };

// The pool jobs run on. Not Qt's global pool: the raster engine splits large fills and scaled
// pictures across that one and waits for them on the interface thread, so a job holding its
// threads (an import runs for minutes) would hold up every paint.
QThreadPool& backgroundJobPool();

namespace detail {
void start(std::function<void()> task, JobThread where);
}

// Runs `work(const JobContext&)` off the interface thread and hands what it returns to
// `done` on the interface thread, unless `requester` is gone by then: its result is dropped
// then, so `done` may use the requester freely. Everything `work` captures must be safe to use
// off the interface thread (copies, not the requester's members). The returned token cancels.
template <class Work, class Done>
CancelToken runInBackground(QObject* requester, Work work, Done done,
                            JobThread where = JobThread::pool) {
    CancelToken token;
    JobContext context(token, InterfacePost(requester));
    detail::start(
        [context, work = std::move(work), done = std::move(done)]() mutable {
            using Result = std::invoke_result_t<Work&, const JobContext&>;
            if constexpr (std::is_void_v<Result>) {
                work(context);
                context.report([done = std::move(done), context]() mutable {
                    context.close();
                    done();
                });
            } else {
                auto result = std::make_shared<Result>(work(context));
                context.report([done = std::move(done), result, context]() mutable {
                    context.close();
                    done(std::move(*result));
                });
            }
        },
        where);
    return token;
}

// Work nobody waits for (the pool still finishes it before the application object goes).
template <class Work>
void runInBackground(Work work) {
    detail::start(std::move(work), JobThread::pool);
}

}  // namespace mosavelle::app
