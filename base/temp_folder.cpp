#include "base/temp_folder.h"

#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lumek {

namespace {

// A path a signal handler can read: the bytes are written before used is set, and used is
// cleared before they change.
struct HandlerPath {
    std::atomic<bool> used{false};
    char bytes[PATH_MAX] = {};

    bool set(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        if (name.isEmpty() || name.size() >= PATH_MAX) {
            return false;
        }
        std::memcpy(bytes, name.constData(), static_cast<size_t>(name.size()) + 1);
        used.store(true);
        return true;
    }
};
static_assert(std::atomic<bool>::is_always_lock_free);

HandlerPath runFolderPath;
std::array<HandlerPath, PendingFile::kMaxPendingFiles> pendingPaths;
std::atomic_flag pendingLock = ATOMIC_FLAG_INIT;  // between threads; the handler only reads

struct RunFolder {
    std::unique_ptr<QTemporaryDir> dir;
    TempFolder info;
};

RunFolder MakeRunFolder() {
    QString base = qEnvironmentVariable("TMPDIR");
    if (base.isEmpty()) {
        base = QStringLiteral("/tmp");
    }
    // The folder is taken as given: a missing one must not turn into "" and so into "/".
    while (base.size() > 1 && base.endsWith(u'/')) {
        base.chop(1);
    }
    RunFolder folder;
    folder.dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/lumek-XXXXXX"));
    if (folder.dir->isValid()) {
        folder.info.path = folder.dir->path();
        runFolderPath.set(folder.info.path);
    } else {
        folder.info.problem = QStringLiteral("임시 폴더를 만들 수 없습니다: %1 (%2)")
                                  .arg(base, folder.dir->errorString());
    }
    return folder;
}

// Removes name inside the folder parent (a descriptor, or AT_FDCWD) with what it holds, links
// not followed. Folders nest at most kMaxDepth deep in what the run makes.
constexpr int kMaxDepth = 8;

void RemoveTree(int parent, const char* name, int depth) {
    if (::unlinkat(parent, name, 0) == 0 || (errno != EISDIR && errno != EPERM)) {
        return;
    }
    const int folder = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        return;
    }
    // Entries removed while the folder is read may hide others: read it again until a pass
    // removes nothing.
    bool removedAny = true;
    for (int pass = 0; removedAny && pass < 4 && depth < kMaxDepth; ++pass) {
        removedAny = false;
        ::lseek(folder, 0, SEEK_SET);
        alignas(8) char entries[4096];
        long got = 0;
        while ((got = ::syscall(SYS_getdents64, folder, entries, sizeof entries)) > 0) {
            for (long at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
                at += entry->d_reclen;
                const char* entryName = entry->d_name;
                if (std::strcmp(entryName, ".") != 0 && std::strcmp(entryName, "..") != 0) {
                    RemoveTree(folder, entryName, depth + 1);
                    removedAny = true;
                }
            }
        }
    }
    ::close(folder);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace

const TempFolder& RunTempFolder() {
    static const RunFolder folder = MakeRunFolder();
    return folder.info;
}

PendingFile::PendingFile(const QString& path) {
    while (pendingLock.test_and_set(std::memory_order_acquire)) {
    }
    for (size_t i = 0; i < pendingPaths.size(); ++i) {
        if (!pendingPaths[i].used.load() && pendingPaths[i].set(path)) {
            slot_ = static_cast<int>(i);
            break;
        }
    }
    pendingLock.clear(std::memory_order_release);
}

PendingFile::~PendingFile() {
    if (slot_ >= 0) {
        pendingPaths[static_cast<size_t>(slot_)].used.store(false);
    }
}

void RemoveRunFilesNow() {
    for (HandlerPath& pending : pendingPaths) {
        if (pending.used.load()) {
            ::unlink(pending.bytes);
        }
    }
    if (runFolderPath.used.load()) {
        RemoveTree(AT_FDCWD, runFolderPath.bytes, 0);
    }
}

}  // namespace lumek
