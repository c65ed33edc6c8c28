#include "cli/terminal_host.h"

#include <cstdio>

namespace lumek::cli {

namespace {

void WriteLine(std::FILE* stream, const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
}

}  // namespace

void PrintError(const QString& text) {
    WriteLine(stderr, text);
}

void PrintOutput(const QString& text) {
    WriteLine(stdout, text);
}

void TerminalHost::status(const QString& text) {
    if (!quiet) {
        PrintError(text);
    }
}

void TerminalHost::message(const QString& title, const QString& text, MessageIcon) {
    PrintError(title + QStringLiteral(": ") + text);
}

bool TerminalHost::askYesNo(const QString& title, const QString& text) {
    if (!quiet) {
        PrintError(title + QStringLiteral(": ") + text);
        PrintError(yesNoAnswer ? QStringLiteral("-> 예") : QStringLiteral("-> 아니오"));
    }
    return yesNoAnswer;
}

// The commands give their files and folders as options, so no dialog is ever answered here.
QString TerminalHost::askFolder(const QString&, const QString&) {
    return {};
}

QString TerminalHost::askSaveFile(const QString&, const QString&, const QString&) {
    return {};
}

QStringList TerminalHost::askOpenFiles(const QString&, const QString&, const QString&) {
    return {};
}

int TerminalHost::chooseCompressor(const QStringList&) {
    return -1;
}

void TerminalHost::progress(int, int, double) {}

}  // namespace lumek::cli
