#include "pipeline/encoder.h"

#include "audio/song_info.h"
#include "base/derived_settings.h"
#include "base/settings.h"
#include "base/ui_host.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>

#include <unistd.h>

namespace lumek {

namespace {

constexpr int kPollMs = 10;
constexpr int kGraceMs = 3000;       // after a cancel's terminate request, before the kill
constexpr int kStallGraceMs = 1000;  // the same for a stalled program
constexpr int kKillWaitMs = 5000;

// The process group of the encoder running, for KillRunningEncoderNow; 0 when none runs.
std::atomic<pid_t> runningGroup{0};
static_assert(std::atomic<pid_t>::is_always_lock_free);
constexpr qsizetype kMessagesKept = 4096;  // bytes of stderr kept

// The entries of the audio bitrate list, kbit/s; no entry selected gives an empty text.
QString AudioBitrateText(int32_t index) {
    static constexpr std::array kBitrates{"320", "192", "160", "128", "64", "48", "32"};
    if (index < 0 || index >= static_cast<int32_t>(kBitrates.size())) {
        return {};
    }
    return QString::fromLatin1(kBitrates[static_cast<size_t>(index)]);
}

QString Absolute(const QString& path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

// The line of a program's messages that says most about a failure: the last one that mentions
// an error (statistics may follow it), else the last one that holds more than blanks. Control
// characters become "?"; at most kLineKept characters are kept.
constexpr qsizetype kLineKept = 200;

QString MessageLine(const QByteArray& messages) {
    // Progress lines end in a bare CR.
    QByteArray text = messages;
    text.replace('\r', '\n');
    QString last;
    for (const QByteArray& line : text.split('\n')) {
        const QString decoded = QString::fromUtf8(line.trimmed());
        if (!decoded.isEmpty() &&
            (last.isEmpty() || !last.contains(u"error", Qt::CaseInsensitive) ||
             decoded.contains(u"error", Qt::CaseInsensitive))) {
            last = decoded;
        }
    }
    for (QChar& c : last) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = u'?';
        }
    }
    return last.left(kLineKept);
}

uint64_t BigEndian(const QByteArray& bytes, qsizetype from, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = value << 8 | static_cast<uint8_t>(bytes[from + i]);
    }
    return value;
}

void KeepTail(QByteArray& messages, const QByteArray& more) {
    messages += more;
    if (messages.size() > kMessagesKept) {
        messages.remove(0, messages.size() - kMessagesKept);
    }
}

}  // namespace

QString FindEncoder() {
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

QStringList EncoderArguments(const QString& aviPath, const QString& audioPath,
                             const QString& outputPath, const Settings& settings,
                             const DerivedSettings& derived, const SongInfo& song) {
    const bool original = settings.AudioOriginal == 1;
    QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-i"),
                          Absolute(aviPath),          QStringLiteral("-i"),
                          Absolute(audioPath),        QStringLiteral("-acodec"),
                          QStringLiteral("aac")};
    if (original) {
        arguments << QStringLiteral("-ar") << QString::number(song.SampleRate);
    }
    const QString bitrate =
        original ? QString::number(song.Bitrate) : AudioBitrateText(settings.AudioBitrate);
    const QString size = QString::number(derived.screenWidth) + QLatin1Char('*') +
                         QString::number(derived.screenHeight);
    arguments << QStringLiteral("-ac") << QStringLiteral("2") << QStringLiteral("-ab")
              << bitrate + QLatin1Char('k') << QStringLiteral("-vcodec") << QStringLiteral("mpeg4")
              << QStringLiteral("-s") << size << QStringLiteral("-b") << QStringLiteral("800k")
              << QStringLiteral("-qscale") << QString::number(51 - settings.VideoQuality)
              << Absolute(outputPath);
    return arguments;
}

EncoderProcess::~EncoderProcess() {
    abandon();
}

void EncoderProcess::watch(const QString& outputPath, int stallMs) {
    watched_ = outputPath;
    stallMs_ = stallMs;
}

bool EncoderProcess::start(const QString& program, const QStringList& arguments, UiHost& host) {
    if (program.isEmpty() || !QFileInfo::exists(program)) {
        host.status(QStringLiteral("ffmpeg 프로그램을 찾을 수 없습니다. ffmpeg를 설치해 주세요."));
        return false;
    }
    // A child process opens no window here; it only must not read the terminal. Nor may a
    // Ctrl-C on the terminal reach it: the job's cancel decides what becomes of the encoding.
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setChildProcessModifier([] { ::setpgid(0, 0); });
    process_.start(program, arguments, QIODevice::ReadOnly);
    if (!process_.waitForStarted()) {
        host.status(QStringLiteral("ffmpeg 프로그램을 실행할 수 없습니다. (") + program +
                    QLatin1Char(')'));
        return false;
    }
    result_ = {};
    result_.started = true;
    group_ = static_cast<pid_t>(process_.processId());
    runningGroup.store(group_);
    watchedSize_ = -1;
    sinceProgress_.start();
    return true;
}

void EncoderProcess::signalGroup(int signal) {
    if (group_ > 0) {
        ::kill(-group_, signal);
    }
}

void EncoderProcess::forget(bool endedByUs) {
    // What the program started may outlive it; nothing of an encoder we ended may.
    if (endedByUs) {
        signalGroup(SIGKILL);
    }
    pid_t running = group_;
    runningGroup.compare_exchange_strong(running, 0);
    group_ = 0;
}

bool EncoderProcess::stalled(bool cancelRequested) {
    if (!watched_.isEmpty()) {
        const qint64 size = QFileInfo(watched_).size();
        if (size != watchedSize_) {
            watchedSize_ = size;
            sinceProgress_.restart();
        }
    }
    const int limit = cancelRequested ? std::min(stallMs_, kCancelStallMs) : stallMs_;
    return limit > 0 && sinceProgress_.isValid() && sinceProgress_.elapsed() > limit;
}

void EncoderProcess::takeMessages() {
    KeepTail(result_.messages, process_.readAllStandardError());
}

bool EncoderProcess::ended() {
    const bool ended = process_.state() == QProcess::NotRunning || process_.waitForFinished(0);
    takeMessages();
    return ended;
}

RunResult EncoderProcess::wait(UiHost& host, const bool& cancelRequested) {
    if (!result_.started) {
        return result_;
    }
    const bool cancelledBefore = cancelRequested;
    QElapsedTimer ending;  // since the terminate request
    int graceMs = kGraceMs;
    const auto terminate = [&](int grace) {
        graceMs = grace;
        signalGroup(SIGTERM);
        ending.start();
    };
    while (process_.state() != QProcess::NotRunning && !process_.waitForFinished(kPollMs)) {
        takeMessages();
        host.pump();
        if (ending.isValid()) {
            if (ending.elapsed() > graceMs) {
                signalGroup(SIGKILL);
                process_.waitForFinished(kKillWaitMs);
                break;
            }
        } else if (!cancelledBefore && cancelRequested) {
            result_.cancelled = true;
            terminate(kGraceMs);
        } else if (stalled(cancelRequested)) {
            result_.stalledMs = cancelRequested ? std::min(stallMs_, kCancelStallMs) : stallMs_;
            terminate(kStallGraceMs);
        }
    }
    takeMessages();
    result_.finished = !result_.cancelled && result_.stalledMs == 0;
    if (process_.state() == QProcess::NotRunning) {
        // After a crash the code is the number of the signal that ended the program.
        if (process_.exitStatus() == QProcess::NormalExit) {
            result_.exitCode = process_.exitCode();
        } else {
            result_.signal = process_.exitCode();
        }
    }
    forget(ending.isValid());
    return result_;
}

void EncoderProcess::abandon() {
    if (process_.state() != QProcess::NotRunning) {
        signalGroup(SIGKILL);
        process_.waitForFinished(kKillWaitMs);
        forget(true);
    } else {
        forget(false);
    }
    result_ = {};
}

void KillRunningEncoderNow() {
    const pid_t group = runningGroup.load();
    if (group > 0) {
        ::kill(-group, SIGKILL);
    }
}

bool IsCompleteMp4(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const int64_t size = file.size();
    int64_t at = 0;
    bool sawIndex = false;
    while (at < size) {
        if (!file.seek(at)) {
            return false;
        }
        const QByteArray header = file.read(16);
        if (header.size() < 8) {
            return false;
        }
        const QByteArray type = header.mid(4, 4);
        if (at == 0 && type != "ftyp") {
            return false;
        }
        int64_t length = static_cast<int64_t>(BigEndian(header, 0, 4));
        int64_t headerLength = 8;
        if (length == 1) {  // a 64-bit size follows the type
            if (header.size() < 16 || BigEndian(header, 8, 8) > uint64_t{INT64_MAX}) {
                return false;
            }
            length = static_cast<int64_t>(BigEndian(header, 8, 8));
            headerLength = 16;
        } else if (length == 0) {  // the last box, to the end of the file
            length = size - at;
        }
        if (length < headerLength || length > size - at) {
            return false;  // cut off
        }
        sawIndex = sawIndex || (type == "moov" && length > headerLength);
        at += length;
    }
    return size > 0 && sawIndex;
}

QString EncoderProblem(const QString& program, const RunResult& run, const QString& outputPath) {
    QString how;
    if (run.stalledMs != 0) {
        how = QStringLiteral("%1초 동안 동영상을 읽지도 출력 파일에 쓰지도 않아 중지했습니다")
                  .arg(run.stalledMs / 1000.0);
    } else if (run.signal != 0) {
        how = QStringLiteral("신호 %1을 받고 끝났습니다").arg(run.signal);
    } else if (run.exitCode != 0) {
        how = QStringLiteral("종료 코드 %1로 끝났습니다").arg(run.exitCode);
    } else if (!IsCompleteMp4(outputPath)) {
        how = QStringLiteral("완전한 동영상을 만들지 못했습니다");
    } else {
        return {};
    }
    const QString line = MessageLine(run.messages);
    return program + QStringLiteral(": ") + how +
           (line.isEmpty() ? QString() : QStringLiteral(": ") + line);
}

RunResult RunAndWait(const QString& program, const QStringList& arguments, UiHost& host,
                     const bool& cancelRequested) {
    EncoderProcess process;
    if (!process.start(program, arguments, host)) {
        return {};
    }
    return process.wait(host, cancelRequested);
}

}  // namespace lumek
