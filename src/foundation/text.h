// Text conversions. All text in the program is UTF-8; the only other
// character set that still matters is the one of the user's locale (the
// "ANSI" side), used for log lines and for text that arrives from outside in
// that character set.
#ifndef QEL_FOUNDATION_TEXT_H_
#define QEL_FOUNDATION_TEXT_H_

#include <string>
#include <string_view>

// Locale text to UTF-8. Bytes that are not valid in the locale's character
// set become U+FFFD.
std::string AnsiToWide(std::string_view text);

// UTF-8 to the locale's character set. A character the set cannot hold, and
// an invalid UTF-8 sequence, become "?".
std::string WideToAnsi(std::string_view text);

// The same with a named character set (an iconv name).
std::string CharsetToWide(std::string_view text, const std::string& charset);
std::string WideToCharset(std::string_view text, const std::string& charset);

// The character set of the user's locale (LC_ALL, LC_CTYPE, LANG), as iconv
// names it. Read once; the process-wide C locale is never changed.
const std::string& LocaleCharset();

// Length of the valid UTF-8 sequence at the start of `text`, 0 when the
// bytes there are not one.
size_t Utf8SequenceLength(std::string_view text);

#endif  // QEL_FOUNDATION_TEXT_H_
