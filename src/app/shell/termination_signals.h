#pragma once

#include <QObject>

class QSocketNotifier;

namespace mosavelle::app {

// Turns the signals that end a program from outside — SIGTERM (the desktop session ending, a
// shutdown), SIGHUP (its terminal going away) and SIGINT (Ctrl-C in a terminal) — into a Qt
// signal on the interface thread, so that the application can end through its own quit path
// instead of dying with its work. The handler only writes the signal's number into a pipe
// (async-signal-safe); a socket notifier reads it on the event loop. After the first signal
// the default actions come back, so that a second one ends the program at once should the
// orderly end hang. A signal the program was started ignoring (nohup) stays ignored.
// One instance at a time, on the interface thread.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();
    void restoreDefaults();

    QSocketNotifier* notifier_ = nullptr;
    bool handling_ = false;
};

}  // namespace mosavelle::app
