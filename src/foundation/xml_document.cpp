#include "foundation/xml_document.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace {

constexpr uint32_t kFirstChild = 0x80000000u;
constexpr uint32_t kIllFormed = 0x40000000u;
constexpr uint32_t kEndTagMissing = 0x20000000u;
constexpr uint32_t kLevelMask = 0xFFFFu;
constexpr std::string_view kLineEnd = "\r\n";

constexpr uint8_t kSpaceClass = 1;
constexpr uint8_t kNameStartClass = 2;
constexpr uint8_t kNameClass = 4;

constexpr std::array<uint8_t, 256> BuildClasses() {
  std::array<uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    uint8_t v = 0;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
      v |= kSpaceClass;
    bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    // Any non-ASCII byte may be part of a name; UTF-8 is not checked here.
    if (alpha || c == '_' || c == ':' || c >= 0x80)
      v |= kNameStartClass | kNameClass;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.')
      v |= kNameClass;
    table[c] = v;
  }
  return table;
}

constexpr std::array<uint8_t, 256> kClasses = BuildClasses();

bool Is(char c, uint8_t cls) {
  return kClasses[static_cast<unsigned char>(c)] & cls;
}

size_t SkipSpace(std::string_view s, size_t p) {
  while (p < s.size() && Is(s[p], kSpaceClass))
    ++p;
  return p;
}

size_t ScanName(std::string_view s, size_t p) {
  while (p < s.size() && Is(s[p], kNameClass))
    ++p;
  return p;
}

bool IsValidName(std::string_view name) {
  return !name.empty() && Is(name[0], kNameStartClass) && ScanName(name, 1) == name.size();
}

bool StartsWith(std::string_view s, size_t p, std::string_view prefix) {
  return s.substr(p, prefix.size()) == prefix;
}

std::string Incorrect(const char* what, uint64_t offset) {
  return std::string("Incorrect ") + what + " at offset " + std::to_string(offset);
}

std::string Unterminated(const char* what, uint64_t offset) {
  return std::string(what) + " at offset " + std::to_string(offset) + " unterminated";
}

enum class TagStep { kAttribute, kClose, kEmptyClose, kBad, kUnterminated };

// Reads the next attribute of a start tag at `p`, or the tag's close.
TagStep NextAttribute(std::string_view s,
                      size_t& p,
                      std::string_view& name,
                      std::string_view& value) {
  p = SkipSpace(s, p);
  if (p >= s.size())
    return TagStep::kUnterminated;
  if (s[p] == '>') {
    ++p;
    return TagStep::kClose;
  }
  if (s[p] == '/') {
    if (p + 1 >= s.size())
      return TagStep::kUnterminated;
    if (s[p + 1] != '>')
      return TagStep::kBad;
    p += 2;
    return TagStep::kEmptyClose;
  }
  if (!Is(s[p], kNameStartClass))
    return TagStep::kBad;
  size_t name_end = ScanName(s, p + 1);
  name = s.substr(p, name_end - p);
  p = SkipSpace(s, name_end);
  if (p >= s.size())
    return TagStep::kUnterminated;
  if (s[p] != '=')
    return TagStep::kBad;
  p = SkipSpace(s, p + 1);
  if (p >= s.size())
    return TagStep::kUnterminated;
  char quote = s[p];
  if (quote != '"' && quote != '\'')
    return TagStep::kBad;
  size_t close = s.find(quote, p + 1);
  if (close == std::string_view::npos)
    return TagStep::kUnterminated;
  value = s.substr(p + 1, close - p - 1);
  p = close + 1;
  return TagStep::kAttribute;
}

void AppendUtf8(uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (hex && c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (hex && c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// "&#65;" or "&#x41;" at the start of `s`: the bytes used, 0 when it is not
// a reference to a character that UTF-8 can carry.
size_t DecodeCharacterReference(std::string_view s, std::string& out) {
  if (s.size() < 3 || s[1] != '#')
    return 0;
  const bool hex = s[2] == 'x';
  const size_t digits = hex ? 3 : 2;
  size_t p = digits;
  uint32_t code = 0;
  for (int d; p < s.size() && p - digits < 6 && (d = DigitValue(s[p], hex)) >= 0; ++p)
    code = code * (hex ? 16 : 10) + static_cast<uint32_t>(d);
  if (p == digits || p >= s.size() || s[p] != ';')
    return 0;
  if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
    return 0;
  AppendUtf8(code, out);
  return p + 1;
}

size_t DecodeEntity(std::string_view s, std::string& out) {
  static constexpr struct {
    std::string_view entity;
    char c;
  } kNamed[] = {{"&lt;", '<'}, {"&amp;", '&'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};
  for (const auto& named : kNamed) {
    if (s.starts_with(named.entity)) {
      out += named.c;
      return named.entity.size();
    }
  }
  return DecodeCharacterReference(s, out);
}

// An unknown entity keeps its ampersand and decoding goes on after it.
void AppendDecoded(std::string_view s, std::string& out) {
  size_t pos = 0;
  for (;;) {
    size_t amp = s.find('&', pos);
    if (amp == std::string_view::npos) {
      out.append(s.substr(pos));
      return;
    }
    out.append(s.substr(pos, amp - pos));
    size_t used = DecodeEntity(s.substr(amp), out);
    if (used == 0)
      out += '&';
    pos = amp + (used ? used : 1);
  }
}

// Content that holds markup but no elements: CDATA is taken as it stands,
// other markup is left out.
size_t AppendNode(std::string_view s, size_t lt, std::string& out) {
  auto skip_to = [&](size_t from, std::string_view close) {
    size_t end = s.find(close, from);
    return end == std::string_view::npos ? s.size() : end + close.size();
  };
  if (StartsWith(s, lt, "<![CDATA[")) {
    size_t inner = lt + 9;
    size_t end = s.find("]]>", inner);
    out.append(s.substr(inner, end == std::string_view::npos ? end : end - inner));
    return end == std::string_view::npos ? s.size() : end + 3;
  }
  if (StartsWith(s, lt, "<!--"))
    return skip_to(lt + 4, "-->");
  if (StartsWith(s, lt, "<?"))
    return skip_to(lt + 2, "?>");
  // A stray end tag or declaration, which parsing skipped as well.
  if (StartsWith(s, lt, "</") || StartsWith(s, lt, "<!"))
    return skip_to(lt + 2, ">");
  out += '<';
  return lt + 1;
}

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Element index

void XmlDocument::Index::Reset(uint64_t reserve) {
  segments_.clear();
  capacity_ = 0;
  used_ = 0;
  Grow(reserve);
  Add();  // the document
}

void XmlDocument::Index::Grow(uint64_t capacity) {
  while (capacity_ < capacity) {
    uint64_t want = capacity - capacity_;
    if (!segments_.empty() && segments_.back().size() < kSegmentSize) {
      std::vector<Record>& last = segments_.back();
      uint64_t size = last.size() + std::min(want, kSegmentSize - last.size());
      capacity_ += size - last.size();
      last.reserve(size);
      last.resize(size);
    } else {
      uint64_t size = std::min(want, kSegmentSize);
      segments_.emplace_back();
      segments_.back().reserve(size);
      segments_.back().resize(size);
      capacity_ += size;
    }
  }
}

uint64_t XmlDocument::Index::Add() {
  if (used_ == capacity_)
    Grow(std::max(used_ + used_ / 2, used_ + 1));
  (*this)[used_] = Record{};
  return used_++;
}

// ---------------------------------------------------------------------------
// Parsing

class XmlDocument::Parser {
 public:
  explicit Parser(XmlDocument& doc) : doc_(doc), text_(doc.text_), index_(doc.index_) {}
  void Run();

 private:
  struct Open {
    uint64_t element;
    std::string_view name;
  };

  void Error(std::string message);
  size_t Markup(size_t pos);
  size_t StartTag(size_t pos);
  size_t EndTag(size_t pos);
  size_t Declaration(size_t pos);
  size_t Doctype(size_t pos);
  size_t SkipPast(size_t from, std::string_view close, const char* what, size_t pos);
  void OpenElement(size_t pos, size_t tag_length, std::string_view name, bool empty, bool bad);
  void CloseElement(std::string_view name, size_t pos, size_t end);
  size_t FindOpen(std::string_view name);
  void Push(Open open);
  void Pop();
  void CutBackAbove(size_t depth);
  void CutBack(uint64_t element, uint64_t into);
  void Finish();
  void Relevel();

  XmlDocument& doc_;
  std::string_view text_;
  Index& index_;
  std::vector<Open> open_;  // open_[0] is the document
  // Depths of the open elements by name; built at the first end tag that
  // does not close the innermost element, so that ill-formed input cannot
  // make every end tag search the whole stack.
  std::unordered_map<std::string_view, std::vector<size_t>> depths_;
  bool depths_built_ = false;
  bool cut_back_ = false;
};

void XmlDocument::Parser::Run() {
  index_.Reset(text_.size() / 64 + 8);
  index_[0].length = text_.size();
  if (text_.empty()) {
    Error("Empty document");
    return;
  }
  open_.push_back({0, {}});
  size_t pos = 0;
  while (pos < text_.size()) {
    const void* lt = memchr(text_.data() + pos, '<', text_.size() - pos);
    if (!lt)
      break;
    pos = Markup(static_cast<const char*>(lt) - text_.data());
  }
  Finish();
}

void XmlDocument::Parser::Error(std::string message) {
  index_[0].flags |= kIllFormed;
  if (doc_.parse_result_.empty())
    doc_.parse_result_ = std::move(message);
}

size_t XmlDocument::Parser::Markup(size_t pos) {
  if (pos + 1 >= text_.size()) {
    Error(Unterminated("Element tag", pos));
    return text_.size();
  }
  switch (text_[pos + 1]) {
    case '/':
      return EndTag(pos);
    case '!':
      return Declaration(pos);
    case '?':
      return SkipPast(pos + 2, "?>", "Processing instruction", pos);
    default:
      return StartTag(pos);
  }
}

size_t XmlDocument::Parser::SkipPast(size_t from,
                                     std::string_view close,
                                     const char* what,
                                     size_t pos) {
  size_t end = text_.find(close, from);
  if (end != std::string_view::npos)
    return end + close.size();
  Error(Unterminated(what, pos));
  return text_.size();
}

size_t XmlDocument::Parser::StartTag(size_t pos) {
  const size_t n = pos + 1;
  if (!Is(text_[n], kNameStartClass)) {
    Error(Incorrect("tag name character", n));
    return n;  // the "<" counts as text
  }
  const size_t name_end = ScanName(text_, n + 1);
  size_t p = name_end;
  TagStep step = TagStep::kBad;
  if (p < text_.size() && !Is(text_[p], kSpaceClass) && text_[p] != '>' && text_[p] != '/') {
    Error(Incorrect("tag name character", p));
  } else {
    std::string_view name, value;
    do
      step = NextAttribute(text_, p, name, value);
    while (step == TagStep::kAttribute);
    if (step == TagStep::kUnterminated) {
      Error(Unterminated("Element tag", pos));
      return text_.size();
    }
    if (step == TagStep::kBad)
      Error(Incorrect("tag", pos));
  }
  const bool bad = step == TagStep::kBad;
  if (bad) {
    // Keep the element, ending its tag at the next ">".
    p = text_.find('>', p);
    if (p == std::string_view::npos)
      return text_.size();
    ++p;
  }
  const bool empty = step == TagStep::kEmptyClose || (bad && text_[p - 2] == '/');
  OpenElement(pos, p - pos, text_.substr(n, name_end - n), empty, bad);
  return p;
}

size_t XmlDocument::Parser::EndTag(size_t pos) {
  const size_t n = pos + 2;
  if (n >= text_.size()) {
    Error(Unterminated("Element end tag", pos));
    return text_.size();
  }
  if (!Is(text_[n], kNameStartClass)) {
    Error(Incorrect("tag name character", n));
    return n;
  }
  const size_t name_end = ScanName(text_, n + 1);
  size_t p = SkipSpace(text_, name_end);
  if (p >= text_.size()) {
    Error(Unterminated("Element end tag", pos));
    return text_.size();
  }
  if (text_[p] != '>') {
    Error(p == name_end ? Incorrect("tag name character", p) : Incorrect("tag", pos));
    p = text_.find('>', p);
    if (p == std::string_view::npos)
      return text_.size();
  }
  CloseElement(text_.substr(n, name_end - n), pos, p + 1);
  return p + 1;
}

size_t XmlDocument::Parser::Declaration(size_t pos) {
  if (StartsWith(text_, pos, "<!--"))
    return SkipPast(pos + 4, "-->", "Comment", pos);
  if (StartsWith(text_, pos, "<![CDATA["))
    return SkipPast(pos + 9, "]]>", "CDATA Section", pos);
  if (StartsWith(text_, pos, "<!DOCTYPE"))
    return Doctype(pos);
  Error(Incorrect(StartsWith(text_, pos, "<!-") ? "comment tag" : "! tag", pos));
  size_t gt = text_.find('>', pos + 2);
  return gt == std::string_view::npos ? text_.size() : gt + 1;
}

// Ends at the first ">" outside quotes and outside the internal subset.
size_t XmlDocument::Parser::Doctype(size_t pos) {
  char quote = 0;
  size_t subset = 0;
  for (size_t p = pos + 9; p < text_.size(); ++p) {
    char c = text_[p];
    if (quote) {
      if (c == quote)
        quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++subset;
    } else if (c == ']') {
      subset -= subset > 0;
    } else if (c == '>' && subset == 0) {
      return p + 1;
    }
  }
  Error(Unterminated("Doctype", pos));
  return text_.size();
}

void XmlDocument::Parser::OpenElement(size_t pos,
                                      size_t tag_length,
                                      std::string_view name,
                                      bool empty,
                                      bool bad) {
  const uint64_t parent = open_.back().element;
  const uint64_t element = index_.Add();
  Record& r = index_[element];
  r.start = pos;
  r.length = tag_length;
  r.start_tag_length = tag_length;
  r.flags = static_cast<uint32_t>(std::min<uint64_t>(open_.size(), kLevelMask));
  if (bad)
    r.flags |= kIllFormed;
  doc_.LinkLastChild(parent, element);
  if (!empty)
    Push({element, name});
}

void XmlDocument::Parser::CloseElement(std::string_view name, size_t pos, size_t end) {
  size_t depth = open_.size() - 1;
  if (depth == 0 || open_.back().name != name) {
    depth = FindOpen(name);
    if (depth == 0) {
      Error("No start tag for end tag '" + std::string(name) + "' at offset " +
            std::to_string(pos));
      return;
    }
    const Open& inner = open_.back();
    Error("End tag '" + std::string(name) + "' at offset " + std::to_string(pos) +
          " does not match start tag '" + std::string(inner.name) + "' at offset " +
          std::to_string(index_[inner.element].start));
    CutBackAbove(depth);
  }
  Record& r = index_[open_.back().element];
  r.length = end - r.start;
  r.end_tag_length = end - pos;
  Pop();
}

// Depth of the innermost open element called `name`, 0 when none is open.
size_t XmlDocument::Parser::FindOpen(std::string_view name) {
  if (!depths_built_) {
    for (size_t depth = 1; depth < open_.size(); ++depth)
      depths_[open_[depth].name].push_back(depth);
    depths_built_ = true;
  }
  auto it = depths_.find(name);
  return it == depths_.end() || it->second.empty() ? 0 : it->second.back();
}

void XmlDocument::Parser::Push(Open open) {
  open_.push_back(open);
  if (depths_built_)
    depths_[open.name].push_back(open_.size() - 1);
}

void XmlDocument::Parser::Pop() {
  if (depths_built_)
    depths_[open_.back().name].pop_back();
  open_.pop_back();
}

// Elements open above `depth` lose their end tags; their children become
// their following siblings, so all of them end up as children of the
// element at `depth`.
void XmlDocument::Parser::CutBackAbove(size_t depth) {
  const uint64_t into = open_[depth].element;
  for (size_t i = depth + 1; i < open_.size(); ++i)
    CutBack(open_[i].element, into);
  while (open_.size() > depth + 1)
    Pop();
  cut_back_ = true;
}

// `element` is the last child of `into` here, so its children go to the end.
void XmlDocument::Parser::CutBack(uint64_t element, uint64_t into) {
  Record& r = index_[element];
  r.flags |= kEndTagMissing | kIllFormed;
  r.length = r.start_tag_length;
  r.end_tag_length = 0;
  const uint64_t first = r.first_child;
  if (!first)
    return;
  r.first_child = 0;
  r.next = first;
  // Each element moves at most once: `into` is closed right after.
  for (uint64_t c = first; c; c = index_[c].next)
    index_[c].parent = into;
  Record& f = index_[first];
  const uint64_t last = f.prev;
  f.prev = element;
  f.flags &= ~kFirstChild;
  index_[index_[into].first_child].prev = last;
}

void XmlDocument::Parser::Finish() {
  if (open_.size() > 1) {
    const Open& inner = open_.back();
    Error("Element '" + std::string(inner.name) + "' at offset " +
          std::to_string(index_[inner.element].start) + " not ended");
    CutBackAbove(0);
  }
  if (cut_back_)
    Relevel();
  std::string& result = doc_.parse_result_;
  const char* tail = nullptr;
  if (!index_[0].first_child)
    tail = "No root element";
  else if (index_[index_[0].first_child].next)
    tail = "Root element has sibling";
  if (tail) {
    index_[0].flags |= kIllFormed;
    result += result.empty() ? tail : std::string(", ") + tail;
  }
}

// A parent always has a lower record index than its children.
void XmlDocument::Parser::Relevel() {
  for (uint64_t i = 1; i < index_.size(); ++i) {
    Record& r = index_[i];
    r.flags = (r.flags & ~kLevelMask) |
              static_cast<uint32_t>(std::min<uint64_t>(doc_.Level(r.parent) + 1, kLevelMask));
  }
}

// ---------------------------------------------------------------------------
// Document and cursor

XmlDocument::XmlDocument() {
  SetDocument(nullptr);
}

bool XmlDocument::SetDocument(const char* text) {
  return SetDocument(text ? std::string_view(text) : std::string_view());
}

bool XmlDocument::SetDocument(std::string_view text) {
  text_.assign(text);
  parse_result_.clear();
  ResetPositions();
  Parser(*this).Run();
  return parse_result_.empty();
}

void XmlDocument::ResetPositions() {
  parent_ = current_ = child_ = 0;
}

std::string_view XmlDocument::TagName(uint64_t element) const {
  if (!element)
    return {};
  const Record& r = index_[element];
  std::string_view tag = std::string_view(text_).substr(r.start, r.start_tag_length);
  return tag.substr(1, ScanName(tag, 1) - 1);
}

uint64_t XmlDocument::Level(uint64_t element) const {
  return index_[element].flags & kLevelMask;
}

// The first element from `from` on along the sibling chain called `name`.
uint64_t XmlDocument::Find(uint64_t from, const char* name) const {
  for (uint64_t e = from; e; e = index_[e].next) {
    if (!name || TagName(e) == name)
      return e;
  }
  return 0;
}

bool XmlDocument::FindElement(const char* name) {
  uint64_t from = current_ ? index_[current_].next : index_[parent_].first_child;
  uint64_t found = Find(from, name);
  if (!found)
    return false;
  current_ = found;
  child_ = 0;
  return true;
}

bool XmlDocument::FindChildElement(const char* name) {
  if (!current_ && !FindElement())
    return false;
  uint64_t from = child_ ? index_[child_].next : index_[current_].first_child;
  uint64_t found = Find(from, name);
  if (!found)
    return false;
  child_ = found;
  return true;
}

bool XmlDocument::IntoElement() {
  if (!current_)
    return false;
  parent_ = current_;
  current_ = child_;
  child_ = 0;
  return true;
}

bool XmlDocument::OutOfElement() {
  if (!parent_)
    return false;
  child_ = current_;
  current_ = parent_;
  parent_ = index_[parent_].parent;
  return true;
}

std::string XmlDocument::GetTagName() const {
  return std::string(TagName(current_));
}

std::string XmlDocument::GetText() const {
  std::string out;
  if (!current_)
    return out;
  const Record& r = index_[current_];
  if (r.first_child)
    return out;
  std::string_view content = std::string_view(text_).substr(
      r.start + r.start_tag_length, r.length - r.start_tag_length - r.end_tag_length);
  size_t p = 0;
  while (p < content.size()) {
    size_t lt = content.find('<', p);
    AppendDecoded(content.substr(p, lt == std::string_view::npos ? lt : lt - p), out);
    if (lt == std::string_view::npos)
      break;
    p = AppendNode(content, lt, out);
  }
  return out;
}

std::string XmlDocument::GetAttribute(std::string_view name) const {
  if (!current_)
    return {};
  const Record& r = index_[current_];
  std::string_view tag = std::string_view(text_).substr(r.start, r.start_tag_length);
  size_t p = ScanName(tag, 1);
  std::string_view attribute, value;
  while (NextAttribute(tag, p, attribute, value) == TagStep::kAttribute) {
    if (attribute == name) {
      std::string out;
      AppendDecoded(value, out);
      return out;
    }
  }
  return {};
}

// ---------------------------------------------------------------------------
// Adding elements

void XmlDocument::LinkLastChild(uint64_t parent, uint64_t element) {
  Record& r = index_[element];
  r.parent = parent;
  const uint64_t first = index_[parent].first_child;
  if (!first) {
    index_[parent].first_child = element;
    r.prev = element;
    r.flags |= kFirstChild;
    return;
  }
  Record& f = index_[first];
  index_[f.prev].next = element;
  r.prev = f.prev;
  f.prev = element;
}

void XmlDocument::LinkAfter(uint64_t sibling, uint64_t element) {
  Record& s = index_[sibling];
  Record& r = index_[element];
  r.parent = s.parent;
  r.prev = sibling;
  r.next = s.next;
  if (s.next)
    index_[s.next].prev = element;
  else
    index_[index_[s.parent].first_child].prev = element;
  s.next = element;
}

bool XmlDocument::IsEmptyElementTag(uint64_t element) const {
  const Record& r = index_[element];
  return element && r.end_tag_length == 0 && !(r.flags & kEndTagMissing) &&
         r.start_tag_length >= 2 && text_[r.start + r.start_tag_length - 2] == '/';
}

// Moves every offset behind a replaced range and widens what contains it.
void XmlDocument::Shift(uint64_t pos, uint64_t removed, uint64_t inserted) {
  const uint64_t delta = inserted - removed;
  for (uint64_t i = 1; i < index_.size(); ++i) {
    Record& r = index_[i];
    if (r.start >= pos + removed)
      r.start += delta;
    else if (r.start + r.length > pos)
      r.length += delta;
  }
  index_[0].length = text_.size();
}

// Where a new element goes and the line ends that put it on a line of its
// own: after the current element, else at the end of the parent's content.
XmlDocument::Insertion XmlDocument::PlanInsertion(const std::string& element) const {
  Insertion in;
  if (!current_ && IsEmptyElementTag(parent_)) {
    // "<p/>" becomes "<p>", the new line, "</p>".
    const Record& p = index_[parent_];
    in.pos = p.start + p.start_tag_length - 2;
    in.removed = 2;
    in.text = ">" + std::string(kLineEnd) + element + std::string(kLineEnd) + "</" +
              std::string(TagName(parent_)) + ">";
    in.start = in.pos + 1 + kLineEnd.size();
    in.opens_parent = true;
    return in;
  }
  const Record& at = index_[current_ ? current_ : parent_];
  in.pos = current_ ? at.start + at.length : at.start + at.length - at.end_tag_length;
  const bool line_before = in.pos == 0 || text_[in.pos - 1] == '\n';
  const bool line_after = in.pos < text_.size() && (text_[in.pos] == '\r' || text_[in.pos] == '\n');
  in.text =
      std::string(line_before ? "" : kLineEnd) + element + std::string(line_after ? "" : kLineEnd);
  in.start = in.pos + (line_before ? 0 : kLineEnd.size());
  return in;
}

bool XmlDocument::AddElement(std::string_view name, std::string_view text) {
  if (!IsValidName(name))
    return false;
  std::string element = "<" + std::string(name);
  element += text.empty() ? "/>" : ">" + Escape(text) + "</" + std::string(name) + ">";

  const Insertion in = PlanInsertion(element);
  const uint64_t parent_end_tag = TagName(parent_).size() + 3;
  text_.replace(in.pos, in.removed, in.text);
  Shift(in.pos, in.removed, in.text.size());
  if (in.opens_parent) {
    Record& p = index_[parent_];
    p.start_tag_length -= 1;
    p.end_tag_length = parent_end_tag;
  }

  const uint64_t added = index_.Add();
  Record& r = index_[added];
  r.start = in.start;
  r.length = element.size();
  r.start_tag_length = text.empty() ? element.size() : name.size() + 2;
  r.end_tag_length = text.empty() ? 0 : name.size() + 3;
  r.flags = static_cast<uint32_t>(std::min<uint64_t>(Level(parent_) + 1, kLevelMask));
  if (current_)
    LinkAfter(current_, added);
  else
    LinkLastChild(parent_, added);
  current_ = added;
  child_ = 0;
  return true;
}

bool ReadChildText(XmlDocument& doc, std::string_view name, std::string& value) {
  // A zero byte would cut the name short and match another key.
  if (name.find('\0') != std::string_view::npos)
    return false;
  doc.ResetChildPosition();
  if (!doc.FindChildElement(std::string(name).c_str()))
    return false;
  doc.IntoElement();
  value = doc.GetText();
  doc.OutOfElement();
  return true;
}
