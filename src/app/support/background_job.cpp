#include "app/support/background_job.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <mutex>

namespace mosavelle::app {

// Whether posts still reach the receiver. An anchor, a child of the receiver, closes the gate
// when the receiver destroys it. Tasks travel through the application object, which outlives
// every receiver, and check the gate again when they run, on the interface thread: so a task
// never runs for a receiver that is gone, and no task is ever queued on an object that is being
// destroyed, nor runs inside an event of an object that it deletes.
struct InterfacePost::Gate {
    std::mutex mutex;
    bool open = false;
    QObject* anchor = nullptr;  // interface thread only

    bool isOpen() {
        std::lock_guard lock(mutex);
        return open;
    }
    void shut() {
        std::lock_guard lock(mutex);
        open = false;
        anchor = nullptr;
    }
};

namespace {

// Runs `onDestroyed` when its parent, the receiver, destroys it.
class Anchor : public QObject {
public:
    Anchor(QObject* receiver, std::function<void()> onDestroyed)
        : QObject(receiver), onDestroyed_(std::move(onDestroyed)) {}
    ~Anchor() override { onDestroyed_(); }

private:
    std::function<void()> onDestroyed_;
};

}  // namespace

InterfacePost::InterfacePost(QObject* receiver) : gate_(std::make_shared<Gate>()) {
    if (receiver == nullptr)
        return;
    std::weak_ptr<Gate> weak = gate_;
    gate_->open = true;
    gate_->anchor = new Anchor(receiver, [weak] {
        if (auto gate = weak.lock())
            gate->shut();
    });
}

void InterfacePost::operator()(std::function<void()> task) const {
    std::lock_guard lock(gate_->mutex);
    QCoreApplication* application = QCoreApplication::instance();
    if (!gate_->open || application == nullptr)
        return;
    QMetaObject::invokeMethod(
        application,
        [gate = gate_, task = std::move(task)] {
            if (gate->isOpen())
                task();
        },
        Qt::QueuedConnection);
}

void InterfacePost::close() const {
    QObject* anchor = gate_->anchor;
    gate_->shut();
    delete anchor;
}

QThreadPool& backgroundJobPool() {
    // A child of the application object, which waits for the jobs still running when it goes.
    static QThreadPool* const pool = new QThreadPool(QCoreApplication::instance());
    return *pool;
}

namespace detail {

void start(std::function<void()> task, JobThread where) {
    if (where == JobThread::pool) {
        backgroundJobPool().start(std::move(task));
        return;
    }
    QThread* thread = QThread::create(std::move(task));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

}  // namespace detail

}  // namespace mosavelle::app
