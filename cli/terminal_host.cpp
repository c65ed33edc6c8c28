#include "cli/terminal_host.h"

#include <unistd.h>
#include <cstdio>

namespace lumek::cli {

namespace {

void Write(std::FILE* stream, const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// The per-frame texts of a song build; the progress bar shows what they say.
bool IsFrameProgress(const QString& text) {
    return text.contains(QStringLiteral(" 번째 프레임 저장중.."));
}

QString Clock(qint64 seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

void PrintError(const QString& text) {
    Write(stderr, text + u'\n');
}

void PrintOutput(const QString& text) {
    Write(stdout, text + u'\n');
}

TerminalHost::TerminalHost() : terminal_(isatty(STDERR_FILENO) == 1) {}

void TerminalHost::endBar() {
    if (barShown_) {
        Write(stderr, QStringLiteral("\n"));
        barShown_ = false;
    }
}

void TerminalHost::status(const QString& text) {
    if (quiet || IsFrameProgress(text)) {
        return;
    }
    endBar();
    PrintError(text);
}

void TerminalHost::message(const QString& title, const QString& text, MessageIcon) {
    endBar();
    PrintError(title + QStringLiteral(": ") + text);
}

bool TerminalHost::askYesNo(const QString& title, const QString& text) {
    if (!quiet) {
        endBar();
        PrintError(title + QStringLiteral(": ") + text);
        PrintError(yesNoAnswer ? QStringLiteral("-> 예") : QStringLiteral("-> 아니오"));
    }
    return yesNoAnswer;
}

void TerminalHost::pump() {
    if (onPump) {
        onPump();
    }
}

QString TerminalHost::askFolder(const QString&, const QString&) {
    return folderAnswer;
}

QString TerminalHost::askSaveFile(const QString&, const QString&, const QString&) {
    return saveFileAnswer;
}

// Songs come as arguments, never from an open dialog.
QStringList TerminalHost::askOpenFiles(const QString&, const QString&, const QString&) {
    return {};
}

int TerminalHost::chooseCompressor(const QStringList&, int suggested) {
    return compressorAnswer.value_or(suggested);
}

void TerminalHost::jobEvent(JobEvent event, int) {
    if (event == JobEvent::SongEnded || event == JobEvent::Finished) {
        endBar();
    }
}

void TerminalHost::progress(int songNumber, int songCount, double fraction) {
    if (quiet) {
        return;
    }
    if (songNumber != song_) {
        song_ = songNumber;
        lastStep_ = -1;
        songTimer_.start();
    }
    const int percent = static_cast<int>(fraction * 100);
    if (!terminal_) {
        // One line per tenth of a song keeps logs short.
        const int step = percent / 10;
        if (step != lastStep_) {
            lastStep_ = step;
            PrintError(
                QStringLiteral("song %1/%2: %3%").arg(songNumber).arg(songCount).arg(percent));
        }
        return;
    }
    constexpr int kBarWidth = 30;
    const int filled = static_cast<int>(fraction * kBarWidth);
    QString left;
    const qint64 elapsedMs = songTimer_.elapsed();
    if (fraction > 0.01 && elapsedMs > 500) {
        const auto remaining = static_cast<qint64>(static_cast<double>(elapsedMs) *
                                                   (1.0 - fraction) / fraction / 1000);
        left = QStringLiteral("  %1 left").arg(Clock(remaining));
    }
    Write(stderr, QStringLiteral("\r\033[Ksong %1/%2 [%3%4] %5%%6")
                      .arg(songNumber)
                      .arg(songCount)
                      .arg(QString(filled, u'#'), QString(kBarWidth - filled, u'.'))
                      .arg(percent, 3)
                      .arg(left));
    barShown_ = true;
}

}  // namespace lumek::cli
