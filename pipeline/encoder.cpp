#include "pipeline/encoder.h"

#include "audio/song_info.h"
#include "base/numbers.h"
#include "base/settings.h"
#include "base/ui_host.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <array>

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
                             const SongInfo& song) {
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
    const QString size = QString::number(ToInt(settings.ScreenWidth)) + QLatin1Char('*') +
                         QString::number(ToInt(settings.ScreenHeight));
    arguments << QStringLiteral("-ac") << QStringLiteral("2") << QStringLiteral("-ab")
              << bitrate + QLatin1Char('k') << QStringLiteral("-vcodec") << QStringLiteral("mpeg4")
              << QStringLiteral("-s") << size << QStringLiteral("-b") << QStringLiteral("800k")
              << QStringLiteral("-qscale") << QString::number(51 - settings.VideoQuality)
              << Absolute(outputPath);
    return arguments;
}

RunResult RunAndWait(const QString& program, const QStringList& arguments, UiHost& host,
                     const bool& cancelRequested) {
    RunResult result;
    if (program.isEmpty() || !QFileInfo::exists(program)) {
        host.status(QStringLiteral("ffmpeg 프로그램을 찾을 수 없습니다. ffmpeg를 설치해 주세요."));
        return result;
    }
    // A child process opens no window here; it only must not read the terminal.
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted()) {
        host.status(QStringLiteral("ffmpeg 프로그램을 실행할 수 없습니다. (") + program +
                    QLatin1Char(')'));
        return result;
    }
    result.started = true;

    const bool cancelledBefore = cancelRequested;
    QElapsedTimer sinceTerminate;
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(kPollMs)) {
        KeepTail(result.messages, process.readAllStandardError());
        host.pump();
        if (!result.cancelled && !cancelledBefore && cancelRequested) {
            process.terminate();
            result.cancelled = true;
            sinceTerminate.start();
        } else if (result.cancelled && sinceTerminate.elapsed() > kGraceMs) {
            process.kill();
            process.waitForFinished(kKillWaitMs);
            break;
        }
    }
    KeepTail(result.messages, process.readAllStandardError());
    result.finished = !result.cancelled;
    if (process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    return result;
}

}  // namespace lumek
