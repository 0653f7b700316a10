// Whether an output goes to a terminal, and how wide that is.
#ifndef QEL_PLATFORM_TERMINAL_H_
#define QEL_PLATFORM_TERMINAL_H_

bool IsTerminal(int fd);

// The terminal's width in columns; 0 when `fd` is no terminal or it does
// not say.
int TerminalColumns(int fd);

#endif  // QEL_PLATFORM_TERMINAL_H_
