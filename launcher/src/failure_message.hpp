// The parts of the failure report that every platform shares.
#pragma once

namespace gearlaunch {

// "<caption>: <text>" and a line end on standard error.
void writeFailureToStderr(const char* text, const char* caption);

#if GEARCALC_LAUNCHER_TESTING
// Test builds show no dialog (they run headless, where a dialog would hang
// or fail). Instead the message is appended as "message <caption>: <text>"
// to the file named by GEARCALC_LAUNCHER_MESSAGE_LOG, if set, so that tests
// can see it in order with what the stub runtimes record there.
void recordFailureForTests(const char* text, const char* caption);
#endif

} // namespace gearlaunch
