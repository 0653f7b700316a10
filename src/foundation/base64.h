// Base64 with the RFC 4648 alphabet and "=" padding.
#ifndef QEL_FOUNDATION_BASE64_H_
#define QEL_FOUNDATION_BASE64_H_

#include <string>
#include <string_view>

std::string Base64Encode(std::string_view data);

// Decodes up to the first "=" (or the end). False, with `out` cleared, when a
// character outside the alphabet appears before it or the text ends in the
// middle of a byte.
bool Base64Decode(std::string_view text, std::string& out);

#endif  // QEL_FOUNDATION_BASE64_H_
