#include "app/support/background_job.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include "app_test_support.h"

class BackgroundJobTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reportsAndTheResultArriveInOrderOnTheInterfaceThreadAndCancelStopsTheWork() {
        QObject requester;
        QThread* const interface = QThread::currentThread();
        QStringList seen;
        bool onInterfaceThread = true;
        std::optional<int> result;
        const auto note = [&](const QString& what) {
            onInterfaceThread = onInterfaceThread && QThread::currentThread() == interface;
            seen << what;
        };
        CancelToken token = runInBackground(
            &requester,
            [note](const JobContext& job) {
                int steps = 0;
                while (!job.isCancelled()) {
                    if (++steps <= 3)
                        job.report([note, steps] { note(QString::number(steps)); });
                    QThread::msleep(1);
                }
                return steps;
            },
            [&](int steps) {
                note(QStringLiteral("done"));
                result = steps;
            });
        QTRY_COMPARE(seen.size(), 3);
        QTest::qWait(20);
        QVERIFY(!result);  // works on until cancelled
        token.cancel();
        QTRY_VERIFY(result);
        QCOMPARE(seen, QStringList({"1", "2", "3", "done"}));
        QVERIFY(onInterfaceThread);
    }

    void nothingReachesARequesterThatIsGoneOrAClosedPost() {
        QSemaphore proceed;
        bool delivered = false;
        auto* requester = new QObject;
        runInBackground(
            requester,
            [&proceed, &delivered](const JobContext& job) {
                proceed.acquire();
                job.report([&delivered] { delivered = true; });
                return 1;
            },
            [&delivered](int) { delivered = true; });
        delete requester;
        proceed.release();
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(20);
        QVERIFY(!delivered);

        // A receiver that stops listening drops what is already queued for it.
        QObject receiver;
        InterfacePost post(&receiver);
        post([&delivered] { delivered = true; });
        post.close();
        post([&delivered] { delivered = true; });
        QTest::qWait(20);
        QVERIFY(!delivered);
    }
};

MOSAVELLE_APP_TEST_MAIN(BackgroundJobTest)
#include "background_job_test.moc"
