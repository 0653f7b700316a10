// Windows-style locale identifiers derived from the POSIX locale settings
// (es_ES -> 0x0C0A), which the language table is keyed by.
#ifndef QEL_PLATFORM_LOCALE_ID_H_
#define QEL_PLATFORM_LOCALE_ID_H_

#include <cstdint>
#include <string_view>

constexpr uint32_t kLcidEnglishUs = 0x0409;
// A language the table does not know.
constexpr uint32_t kLcidUnknown = 0x1000;

// "language[_TERRITORY][.charset][@modifier]"; "C", "POSIX" and the empty
// name are English (United States). A known language with an unknown or no
// territory gets the language's main locale.
uint32_t LcidFromLocaleName(std::string_view name);

// The user's: the first set of LC_ALL, LC_MESSAGES, LANG.
uint32_t UserDefaultLcid();
// The machine's: LANG of <sysroot>/etc/default/locale or /etc/locale.conf,
// else the user's.
uint32_t SystemDefaultLcid();

#endif  // QEL_PLATFORM_LOCALE_ID_H_
