#include "pipeline/video_pipe.h"

#include "base/ui_host.h"
#include "pipeline/encoder.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumek {

namespace {

constexpr int kPollMs = 10;
constexpr int kPumpMs = 20;
constexpr int kOpenWaitMs = 10000;  // for the encoder to open the pipe, or its stall time
constexpr int kPipeBytes = 1 << 20;

}  // namespace

std::unique_ptr<VideoPipe> VideoPipe::Start(const QString& path, const QString& program,
                                            const QStringList& arguments, EncoderProcess& encoder,
                                            UiHost& host, const bool& cancelRequested) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkfifo(name.constData(), 0600) != 0) {
        return nullptr;
    }
    // A write to a pipe whose reader is gone must fail with EPIPE, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    int fd = -1;
    if (encoder.start(program, arguments, host)) {
        const int openWaitMs =
            encoder.stallMs() > 0 ? std::min(kOpenWaitMs, encoder.stallMs()) : kOpenWaitMs;
        QElapsedTimer waiting;
        waiting.start();
        // Opening for writing without waiting fails with ENXIO until the reader is there.
        while ((fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 &&
               errno == ENXIO && !encoder.ended() && !cancelRequested &&
               waiting.elapsed() < openWaitMs) {
            host.pump();
            ::poll(nullptr, 0, 1);
        }
    }
    // Both ends are open, or never will be: the name has served.
    ::unlink(name.constData());
    if (fd < 0) {
        encoder.abandon();
        return nullptr;
    }
    // A larger pipe means fewer waits per frame; the default size works as well.
    ::fcntl(fd, F_SETPIPE_SZ, kPipeBytes);
    std::unique_ptr<VideoPipe> pipe(new VideoPipe(fd, encoder, host, cancelRequested));
    pipe->QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return pipe;
}

VideoPipe::VideoPipe(int fd, EncoderProcess& encoder, UiHost& host, const bool& cancelRequested)
    : fd_(fd), encoder_(encoder), host_(host), cancelRequested_(cancelRequested) {}

VideoPipe::~VideoPipe() {
    close();
}

void VideoPipe::close() {
    if (fd_ >= 0) {
        ::close(fd_);  // the encoder reads the end of the video
        fd_ = -1;
    }
    QIODevice::close();
}

qint64 VideoPipe::readData(char* /*data*/, qint64 /*maxSize*/) {
    return -1;
}

qint64 VideoPipe::writeData(const char* data, qint64 size) {
    qint64 done = 0;
    QElapsedTimer sincePump;
    sincePump.start();
    while (done < size) {
        const ssize_t written = ::write(fd_, data + done, static_cast<size_t>(size - done));
        if (written > 0) {
            done += written;
            encoder_.tookVideo();
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN) {
            setErrorString(errno == EPIPE ? QStringLiteral("the encoder stopped reading")
                                          : QString::fromLocal8Bit(std::strerror(errno)));
            return -1;
        }
        pollfd room{fd_, POLLOUT, 0};
        ::poll(&room, 1, kPollMs);
        if (sincePump.elapsed() >= kPumpMs) {
            sincePump.restart();
            if (encoder_.ended()) {
                setErrorString(QStringLiteral("the encoder ended before the video did"));
                return -1;
            }
            if (encoder_.stalled(cancelRequested_)) {
                setErrorString(QStringLiteral("the encoder takes no more video"));
                return -1;
            }
            host_.pump();
        }
    }
    return done;
}

}  // namespace lumek
