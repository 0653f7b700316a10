// The signals that ask the process to stop (SIGTERM, SIGINT).
#ifndef QEL_PLATFORM_SIGNALS_H_
#define QEL_PLATFORM_SIGNALS_H_

// Blocks both signals in the calling thread (and the threads it starts
// afterwards), so that they are only taken by WaitForStopSignal.
void BlockStopSignals();

// Waits until one of them arrives; returns its number.
int WaitForStopSignal();

// The same, for at most `timeout_ms`; 0 when none came in that time.
int WaitForStopSignalFor(int timeout_ms);

#endif  // QEL_PLATFORM_SIGNALS_H_
