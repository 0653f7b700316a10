#include "toolkit/font_table.h"

void FontTable::Add(int id, const FontSpec& font, bool is_default) {
  fonts_[id] = font;
  if (is_default)
    default_ = font;
}

const FontSpec& FontTable::Get(int id) const {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? default_ : it->second;
}
