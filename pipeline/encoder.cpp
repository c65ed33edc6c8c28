#include "pipeline/encoder.h"

#include "audio/song_info.h"
#include "base/derived_settings.h"
#include "base/settings.h"
#include "base/ui_host.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>

#include <unistd.h>

namespace lumek {

namespace {

constexpr int kPollMs = 10;
constexpr int kGraceMs = 3000;  // after a terminate request, before the kill
constexpr int kKillWaitMs = 5000;
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
    return true;
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
    QElapsedTimer sinceTerminate;
    while (process_.state() != QProcess::NotRunning && !process_.waitForFinished(kPollMs)) {
        takeMessages();
        host.pump();
        if (!result_.cancelled && !cancelledBefore && cancelRequested) {
            process_.terminate();
            result_.cancelled = true;
            sinceTerminate.start();
        } else if (result_.cancelled && sinceTerminate.elapsed() > kGraceMs) {
            process_.kill();
            process_.waitForFinished(kKillWaitMs);
            break;
        }
    }
    takeMessages();
    result_.finished = !result_.cancelled;
    if (process_.state() == QProcess::NotRunning && process_.exitStatus() == QProcess::NormalExit) {
        result_.exitCode = process_.exitCode();
    }
    return result_;
}

void EncoderProcess::abandon() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(kKillWaitMs);
    }
    result_ = {};
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
