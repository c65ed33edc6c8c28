#pragma once

#include <QObject>

class QSocketNotifier;

namespace lumek {

// Turns SIGTERM and SIGINT into a Qt signal, delivered by the event loop (also while long work
// processes events), so that they close the window through its usual shut-down.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    // One per process; the handlers stay installed while it lives.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void quitRequested(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lumek
