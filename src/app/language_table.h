// The languages the system knows, the one selected, and the window texts
// looked up by item name.
#ifndef QEL_APP_LANGUAGE_TABLE_H_
#define QEL_APP_LANGUAGE_TABLE_H_

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/endpoints.h"

class LanguageTable {
 public:
  // The language list, and the current language from the user's locale.
  LanguageTable();
  // The same with given locale identifiers.
  LanguageTable(uint32_t system_lcid, uint32_t user_lcid);

  // Looks the user's locale up in the locale table; false (and "English")
  // when it is not there.
  bool InitLangCode();

  // Loads the texts of the resource "XML/131". Every "Halvern" in them
  // becomes `brand` unless the brand is Halvern (in any case) or empty.
  bool loadLangXML(const std::string& brand, const ResourceReader& read = ReadOwnResource);
  bool LoadLangText(std::string_view xml, const std::string& brand);

  // The item's text; `default_text` when that is empty. An unknown name is
  // recorded with an empty text.
  std::string GetLangText(const std::string& name, const std::string& default_text = {});
  // The code of the language with this display name; "ENG" when none.
  std::string GetLangCode(const std::string& display_name) const;

  const std::vector<std::pair<std::string, std::string>>& languages() const { return languages_; }
  std::string current_language() const;
  void set_current_language(const std::string& name);
  size_t text_count() const;

  // Index of `lcid` in the locale table, -1 when absent.
  static int LocaleIndex(uint32_t lcid);

 private:
  uint32_t system_lcid_;
  uint32_t user_lcid_;
  mutable std::mutex lock_;
  std::string current_ = "English";
  std::map<std::string, std::string> texts_;
  std::vector<std::pair<std::string, std::string>> languages_;
};

#endif  // QEL_APP_LANGUAGE_TABLE_H_
