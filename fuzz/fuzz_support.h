#pragma once

#include "base/ui_host.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

// libFuzzer's entry points; the replay program calls them the same way.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace lumek::fuzz {

// A host that shows nothing and answers every question with No or nothing.
class SilentHost : public UiHost {
public:
    void status(const QString&) override {}
    void message(const QString&, const QString&, MessageIcon) override {}
    bool askYesNo(const QString&, const QString&) override { return false; }
    void pump() override {}
    QString askFolder(const QString&, const QString&) override { return {}; }
    QString askSaveFile(const QString&, const QString&, const QString&) override { return {}; }
    QStringList askOpenFiles(const QString&, const QString&, const QString&) override { return {}; }
    int chooseCompressor(const QStringList&, int) override { return -1; }
    void progress(int, int, double) override {}
    void jobEvent(JobEvent, int) override {}
};

inline QByteArrayView Bytes(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)};
}

// The bytes as the content of a file, for parsers that read files: a memory file named by its
// /proc/self/fd path, so that no run leaves anything on disk. The path holds the bytes until
// the next call.
QString BytesAsFile(const uint8_t* data, size_t size);

// Ends the run with a message when a parser breaks a promise its header makes; the fuzzer
// reports it as a crash with the input.
void Expect(bool promise, const char* what);

}  // namespace lumek::fuzz
