#include "app/language_table.h"

#include "foundation/log.h"
#include "foundation/xml_document.h"
#include "platform/locale_id.h"

namespace {

const std::pair<const char*, const char*> kLanguages[] = {
    {"English", "ENG"},  {"Deutsch", "DEU"},   {"Français", "FRA"},
    {"Italiano", "ITA"}, {"Português", "PTG"}, {"Español", "ESP"},
    {"Dutch", "NLD"},    {"Pусский", "RUS"},  // the first letter is the Latin P
    {"日本語", "JPN"},   {"中文繁體", "CHA"},  {"中文简体", "CHS"},
    {"العربية", "ARA"},  {"한국어", "KOR"},    {"Bahasa Indonesia", "INA"},
    {"Svenska", "SWE"},  {"తెలుగు", "INDTE"},   {"தமிழ்", "INDTA"},
    {"हिन्दी", "INDHI"},  {"বাংলা", "INDBN"},   {"मराठी", "INDMR"},
    {"ไทย", "THA"},
};

struct LocaleEntry {
  uint32_t lcid;
  const char* language;
};

// Searched in order; the index of the match is logged.
const LocaleEntry kLocaleTable[] = {
    {0x80C, "Français"},  {0xC0C, "Français"},
    {0x40C, "Français"},  {0x140C, "Français"},
    {0x180C, "Français"}, {0x100C, "Français"},
    {0xC07, "Deutsch"},   {0x407, "Deutsch"},
    {0x1407, "Deutsch"},  {0x1007, "Deutsch"},
    {0x807, "Deutsch"},   {0x411, "日本語"},
    {0x416, "Português"}, {0x816, "Português"},
    {0x2C0A, "Español"},  {0x400A, "Español"},
    {0x340A, "Español"},  {0x240A, "Español"},
    {0x140A, "Español"},  {0x1C0A, "Español"},
    {0x300A, "Español"},  {0x440A, "Español"},
    {0x100A, "Español"},  {0x480A, "Español"},
    {0x80A, "Español"},   {0x4C0A, "Español"},
    {0x180A, "Español"},  {0x3C0A, "Español"},
    {0x280A, "Español"},  {0x500A, "Español"},
    {0x40A, "Español"},   {0xC0A, "Español"},
    {0x380A, "Español"},  {0x200A, "Español"},
    {0x410, "Italiano"},  {0x810, "Italiano"},
    {0x404, "中文繁體"},  {0xC04, "中文繁體"},
    {0x804, "中文简体"},  {0x1004, "中文简体"},
    {0x419, "Pусский"},   {0x819, "Pусский"},
    {0x413, "Dutch"},     {0x813, "Dutch"},
    {0x412, "한국어"},    {0x421, "Bahasa Indonesia"},
    {0x1D, "Svenska"},    {0x41D, "Svenska"},
    {0x81D, "Svenska"},   {0x3801, "العربية"},
    {0x3C01, "العربية"},  {0x1401, "العربية"},
    {0xC01, "العربية"},   {0x801, "العربية"},
    {0x2C01, "العربية"},  {0x3401, "العربية"},
    {0x3001, "العربية"},  {0x1001, "العربية"},
    {0x1801, "العربية"},  {0x2001, "العربية"},
    {0x4001, "العربية"},  {0x401, "العربية"},
    {0x2801, "العربية"},  {0x1C01, "العربية"},
    {0x2401, "العربية"},  {0x4E, "मराठी"},
    {0x44E, "मराठी"},     {0x4A, "తెలుగు"},
    {0x44A, "తెలుగు"},     {0x49, "தமிழ்"},
    {0x449, "தமிழ்"},      {0x445, "বাংলা"},
    {0x39, "हिन्दी"},      {0x439, "हिन्दी"},
    {0x41E, "ไทย"},
};

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

void ReplaceAll(std::string* text, std::string_view from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size()))
    text->replace(at, from.size(), to);
}

}  // namespace

LanguageTable::LanguageTable() : LanguageTable(SystemDefaultLcid(), UserDefaultLcid()) {}

LanguageTable::LanguageTable(uint32_t system_lcid, uint32_t user_lcid)
    : system_lcid_(system_lcid), user_lcid_(user_lcid) {
  for (const auto& [name, code] : kLanguages)
    languages_.emplace_back(name, code);
  InitLangCode();
}

int LanguageTable::LocaleIndex(uint32_t lcid) {
  for (size_t i = 0; i < std::size(kLocaleTable); ++i) {
    if (kLocaleTable[i].lcid == lcid)
      return static_cast<int>(i);
  }
  return -1;
}

bool LanguageTable::InitLangCode() {
  LOG_INFO("[INFO] InitLangCode SystemDefaultLCID: %d", static_cast<int>(system_lcid_));
  LOG_INFO("[INFO] InitLangCode GetUserDefaultLCID: %d", static_cast<int>(user_lcid_));
  int index = LocaleIndex(user_lcid_);
  LOG_INFO("[INFO] InitLangCode set: %d", index);
  if (index < 0)
    return false;
  set_current_language(kLocaleTable[index].language);
  return true;
}

bool LanguageTable::loadLangXML(const std::string& brand, const ResourceReader& read) {
  LOG_INFO("[INFO] loadLangXML");
  std::string bytes;
  if (!read || read("XML/131", &bytes) != ResourceStatus::kOk || bytes.empty())
    return false;
  return LoadLangText(bytes, brand);
}

bool LanguageTable::LoadLangText(std::string_view xml, const std::string& brand) {
  // A zero byte ends the text.
  xml = xml.substr(0, xml.find('\0'));
  XmlDocument doc;
  if (xml.empty() || !doc.SetDocument(xml) || !doc.FindElement("Lang") || !doc.IntoElement())
    return false;
  // An empty brand would cut the maker's name out of every text.
  bool replace = !brand.empty() && Lower(brand) != "halvern";
  std::map<std::string, std::string> texts;
  while (doc.FindElement("item")) {
    std::string text = doc.GetText();
    if (replace)
      ReplaceAll(&text, "Halvern", brand);
    texts[doc.GetAttribute("name")] = std::move(text);
  }
  doc.OutOfElement();
  std::lock_guard<std::mutex> hold(lock_);
  for (auto& [name, text] : texts)
    texts_[name] = std::move(text);
  return true;
}

std::string LanguageTable::GetLangText(const std::string& name, const std::string& default_text) {
  std::lock_guard<std::mutex> hold(lock_);
  const std::string& text = texts_[name];
  return text.empty() && !default_text.empty() ? default_text : text;
}

std::string LanguageTable::GetLangCode(const std::string& display_name) const {
  for (const auto& [name, code] : languages_) {
    if (name == display_name)
      return code;
  }
  return "ENG";
}

std::string LanguageTable::current_language() const {
  std::lock_guard<std::mutex> hold(lock_);
  return current_;
}

void LanguageTable::set_current_language(const std::string& name) {
  std::lock_guard<std::mutex> hold(lock_);
  current_ = name;
}

size_t LanguageTable::text_count() const {
  std::lock_guard<std::mutex> hold(lock_);
  return texts_.size();
}
