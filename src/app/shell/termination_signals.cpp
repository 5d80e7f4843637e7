#include "app/shell/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace mosavelle::app {

namespace {

constexpr std::array handledSignals{SIGTERM, SIGHUP, SIGINT};

// The self-pipe: [0] read on the event loop, [1] written by the handler.
int pipeEnds[2] = {-1, -1};

void writeToPipe(int number) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // the default actions stay
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    struct sigaction action {};
    action.sa_handler = writeToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : handledSignals) {
        struct sigaction previous {};
        if (::sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(number, &action, nullptr);
    }
    handling_ = true;
}

TerminationSignals::~TerminationSignals() {
    restoreDefaults();
    for (int& end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void TerminationSignals::restoreDefaults() {
    if (!handling_)
        return;
    handling_ = false;
    for (int number : handledSignals) {
        struct sigaction current {};
        if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler == writeToPipe)
            std::signal(number, SIG_DFL);
    }
}

void TerminationSignals::readPipe() {
    unsigned char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            const bool first = handling_;
            restoreDefaults();
            if (first)
                Q_EMIT received(bytes[i]);
        }
    }
}

}  // namespace mosavelle::app
