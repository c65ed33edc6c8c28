#include "app/window/quit_signals.h"

#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumek {

namespace {

// The handler may only write; the event loop reads the other end.
int quitPipe[2] = {-1, -1};

void OnQuitSignal(int signalNumber) {
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(quitPipe[0], &byte, 1);
}

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, quitPipe) != 0) {
        return;
    }
    ::fcntl(quitPipe[0], F_SETFL, O_NONBLOCK);
    notifier_ = new QSocketNotifier(quitPipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(quitPipe[1], &byte, 1) == 1) {
            Q_EMIT quitRequested(byte);
        }
    });
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    delete notifier_;
    notifier_ = nullptr;
    for (int& end : quitPipe) {
        if (end >= 0) {
            ::close(end);
            end = -1;
        }
    }
}

}  // namespace lumek
