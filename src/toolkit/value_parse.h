// The value syntax of markup attributes: colours, rectangles, sizes, flags,
// and image strings.
#ifndef QEL_TOOLKIT_VALUE_PARSE_H_
#define QEL_TOOLKIT_VALUE_PARSE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/win_types.h"

// "#AARRGGBB", "#RRGGBB" (opaque) or the same digits after "0x". False for
// anything else; `argb` is then untouched.
bool ParseColor(std::string_view text, uint32_t* argb);

// "l,t,r,b" -> RECT; "w,h" -> SIZE; "x,y" -> POINT. Missing numbers are 0;
// false when the text holds no number at all.
bool ParseRect(std::string_view text, RECT* rect);
bool ParseSize(std::string_view text, SIZE* size);
bool ParsePoint(std::string_view text, POINT* point);
// "true" (any case) or "1".
bool ParseBool(std::string_view text);
// A decimal integer, `fallback` when the text is not one.
int ParseInt(std::string_view text, int fallback = 0);

// An image reference: a bare file name ("down.png") or key='value' pairs
// (file, res + restype, corner, dest, source).
struct ImageSpec {
  std::string file;
  std::string res;
  std::string restype;
  RECT corner;
  RECT dest;
  RECT source;
  bool has_dest = false;
  bool has_source = false;

  bool empty() const { return file.empty() && res.empty(); }
  // Cache key: where the pixels come from.
  std::string key() const { return res.empty() ? file : restype + "/" + res; }
};
ImageSpec ParseImageSpec(std::string_view text);

#endif  // QEL_TOOLKIT_VALUE_PARSE_H_
