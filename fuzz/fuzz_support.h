#pragma once

#include "bench/quiet_host.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

// libFuzzer's entry points; the replay program calls them the same way.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace lumek::fuzz {

// Parsers that report through a host report to nobody.
using SilentHost = bench::QuietHost;

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
