// Reading the strategy service's answers by scanning their text, the way
// the service writes them (compact JSON, keys in double quotes). No escapes
// are decoded and nesting is not followed.
#ifndef QEL_SERVICE_JSON_SCAN_H_
#define QEL_SERVICE_JSON_SCAN_H_

#include <string>
#include <string_view>
#include <vector>

// Whether the answer holds `"code":0` (no blanks, and no further digit).
bool HasSuccessText(std::string_view body);

// The part of `body` that starts at the first `"data"`; false when there is
// none.
bool FindDataPart(std::string_view body, std::string_view* part);

// The value of the first `"key"` in `text`: after it the next ":", then
// blanks, then the value.
// FindJsonInt: the run of digits there; 0 when there is none (a minus sign
// gives 0) or it does not fit an int.
int FindJsonInt(std::string_view text, std::string_view key);
// FindJsonString: the text between double quotes there; empty otherwise.
std::string FindJsonString(std::string_view text, std::string_view key);
// FindJsonBool: true when the value there is `true`.
bool FindJsonBool(std::string_view text, std::string_view key);

// The ids of a relation answer: the runs of digits between `"data":[` and the
// next "]" that make a number above 0. Blanks, commas, quotes and any other
// character only separate them; a negative number is no id.
std::vector<int> ParseRelationIds(std::string_view body);

#endif  // QEL_SERVICE_JSON_SCAN_H_
