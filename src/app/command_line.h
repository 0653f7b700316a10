// The installer's command line: key=value arguments. Only the fork-mode
// keys are used ("OnlyForkInstallDependent", "HostLang", "HostVersion",
// "HostHwnd").
#ifndef QEL_APP_COMMAND_LINE_H_
#define QEL_APP_COMMAND_LINE_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

using ArgumentMap = std::map<std::string, std::string>;

// `args` is the argument vector without the program itself. Each argument
// is cut at its first "="; one without "=" is a key with an empty value; the
// last occurrence of a key wins. Arguments that are not UTF-8 are taken as
// text of the locale's character set.
ArgumentMap ParseCommandLine(const std::vector<std::string>& args);

// Fork mode: "OnlyForkInstallDependent" is exactly "1".
bool IsForkMode(const ArgumentMap& args);

// The value of `key`, empty when absent.
std::string ArgumentValue(const ArgumentMap& args, const std::string& key);

// The parent's window handle, written in decimal. False for anything else
// (empty, signs, blanks, other characters, more than 64 bits).
bool ParseHostWindow(const std::string& text, uint64_t* handle);

#endif  // QEL_APP_COMMAND_LINE_H_
