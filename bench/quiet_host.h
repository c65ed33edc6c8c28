#pragma once

#include "base/ui_host.h"

namespace lumek::bench {

// The benchmarks' UiHost: no window to pump, nobody to ask (Yes takes the iPhone preset).
class QuietHost : public UiHost {
public:
    void status(const QString&) override {}
    void message(const QString&, const QString&, MessageIcon) override {}
    bool askYesNo(const QString&, const QString&) override { return true; }
    void pump() override {}
    QString askFolder(const QString&, const QString&) override { return {}; }
    QString askSaveFile(const QString&, const QString&, const QString&) override { return {}; }
    QStringList askOpenFiles(const QString&, const QString&, const QString&) override { return {}; }
    int chooseCompressor(const QStringList&, int) override { return -1; }
    void progress(int, int, double) override {}
    void jobEvent(JobEvent, int) override {}
};

}  // namespace lumek::bench
