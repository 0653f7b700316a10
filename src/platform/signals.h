// The signals that ask the process to stop (SIGTERM, SIGINT).
#ifndef QEL_PLATFORM_SIGNALS_H_
#define QEL_PLATFORM_SIGNALS_H_

// Blocks both signals in the calling thread (and the threads it starts
// afterwards), so that they are only taken by WaitForStopSignal.
void BlockStopSignals();

// Waits until one of them arrives; returns its number.
int WaitForStopSignal();

#endif  // QEL_PLATFORM_SIGNALS_H_
