// The texts qel-fetch shows: the progress bar and the summary line.
#ifndef QEL_TOOLS_QEL_FETCH_PROGRESS_LINE_H_
#define QEL_TOOLS_QEL_FETCH_PROGRESS_LINE_H_

#include <cstdint>
#include <string>

// "512.0 MiB", "1.5 KiB", "100 B".
std::string FormatBytes(int64_t bytes);

// "1:05", "1:02:03"; "--:--" when unknown (negative).
std::string FormatDuration(int64_t seconds);

// One line of at most `columns` characters: percent, a bar, bytes of total,
// speed and time left. Total 0 or less: the size is not known yet.
std::string ProgressLine(int64_t downloaded, int64_t total, int64_t speed, int columns);

// "status 0 (Success), 536870912 bytes (512.0 MiB) in 1.93 s, 265.3 MiB/s".
std::string SummaryLine(int status, int64_t size, double seconds, int64_t speed);

#endif  // QEL_TOOLS_QEL_FETCH_PROGRESS_LINE_H_
