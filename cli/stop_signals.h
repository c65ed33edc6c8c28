#pragma once

namespace lumek::cli {

// SIGINT, SIGTERM and SIGHUP (Ctrl-C, a scheduler or `timeout`, a closed terminal). From
// CatchStopSignals on, such a signal ends the program at once with status 128 + its number,
// after removing the run's temporary and pending files and killing a running encoder.
void CatchStopSignals();

// For work that winds down on its own (a make job): from now on the first stop signal is only
// noted, for TakeStopSignal; a second one still ends the program at once.
void WindDownOnStop();

// The stop signal that came since the last call, once; 0 when none did.
int TakeStopSignal();

// The first stop signal that came, 0 when none did.
int StopSignalReceived();

}  // namespace lumek::cli
