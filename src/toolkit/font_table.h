// Fonts a window's markup declares, by id. Sizes are pixels.
#ifndef QEL_TOOLKIT_FONT_TABLE_H_
#define QEL_TOOLKIT_FONT_TABLE_H_

#include <map>
#include <string>

struct FontSpec {
  std::string name = "Segoe UI";
  int size = 12;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

class FontTable {
 public:
  void Add(int id, const FontSpec& font, bool is_default);
  // The font with `id`; the default font for -1 or an unknown id.
  const FontSpec& Get(int id) const;
  bool Has(int id) const { return fonts_.count(id) != 0; }
  const FontSpec& default_font() const { return default_; }

 private:
  std::map<int, FontSpec> fonts_;
  FontSpec default_;
};

#endif  // QEL_TOOLKIT_FONT_TABLE_H_
