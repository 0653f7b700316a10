// Whole-file reads of the kernel's /proc texts.
#ifndef QEL_PLATFORM_PROC_TEXT_H_
#define QEL_PLATFORM_PROC_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The text of a /proc file, read to its end (their sizes are not known in
// advance); empty on any failure. Stops at `limit` bytes.
std::string ReadProcText(const char* path, size_t limit = 1 << 20);

// The unsigned decimal number at the start of `text` after any blanks; none
// when there are no digits or the value does not fit.
std::optional<uint64_t> ParseLeadingNumber(std::string_view text);

#endif  // QEL_PLATFORM_PROC_TEXT_H_
