#include "cli/stop_signals.h"

#include "base/temp_folder.h"
#include "pipeline/encoder.h"

#include <csignal>

#include <unistd.h>

namespace lumek::cli {

namespace {

volatile std::sig_atomic_t windingDown = 0;
volatile std::sig_atomic_t received = 0;  // the first stop signal
volatile std::sig_atomic_t pending = 0;   // not yet taken

void OnStopSignal(int signalNumber) {
    if (windingDown != 0 && received == 0) {
        received = signalNumber;
        pending = signalNumber;
        return;
    }
    KillRunningEncoderNow();
    RemoveRunFilesNow();
    ::_exit(128 + signalNumber);
}

}  // namespace

void CatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&action.sa_mask, signalNumber);  // one handler runs at a time
    }
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signalNumber, &action, nullptr);
    }
}

void WindDownOnStop() {
    windingDown = 1;
}

int TakeStopSignal() {
    const int signalNumber = pending;
    pending = 0;
    return signalNumber;
}

int StopSignalReceived() {
    return received;
}

}  // namespace lumek::cli
