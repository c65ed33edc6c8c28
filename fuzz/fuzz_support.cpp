#include "fuzz/fuzz_support.h"

#include <QCoreApplication>

#include <sys/mman.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Image plug-ins are found through the application; one lives for the whole run.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

namespace lumek::fuzz {

QString BytesAsFile(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("lumek-fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))) {
        std::perror("lumek fuzz: memory file");
        std::abort();
    }
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

void Expect(bool promise, const char* what) {
    if (!promise) {
        std::fprintf(stderr, "lumek fuzz: broken promise: %s\n", what);
        std::abort();
    }
}

}  // namespace lumek::fuzz
