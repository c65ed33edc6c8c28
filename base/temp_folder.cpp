#include "base/temp_folder.h"

#include <QTemporaryDir>

#include <memory>

namespace lumek {

namespace {

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
    } else {
        folder.info.problem = QStringLiteral("임시 폴더를 만들 수 없습니다: %1 (%2)")
                                  .arg(base, folder.dir->errorString());
    }
    return folder;
}

}  // namespace

const TempFolder& RunTempFolder() {
    static const RunFolder folder = MakeRunFolder();
    return folder.info;
}

}  // namespace lumek
