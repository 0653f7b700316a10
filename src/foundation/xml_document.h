// An XML document kept as one UTF-8 text plus a flat index of its elements,
// walked with a cursor of three positions: parent, current element and
// current child. Offsets in parse results are byte offsets into the text.
#ifndef QEL_FOUNDATION_XML_DOCUMENT_H_
#define QEL_FOUNDATION_XML_DOCUMENT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class XmlDocument {
 public:
  XmlDocument();

  // Replaces and parses the text (nullptr: empty) and puts the cursor at the
  // document. True when there is exactly one root element and no error.
  bool SetDocument(const char* text);
  bool SetDocument(std::string_view text);
  const std::string& GetDocument() const { return text_; }
  // The first parse error, then "No root element" or "Root element has
  // sibling", joined with ", "; empty for a well-formed document.
  const std::string& GetParseResult() const { return parse_result_; }

  // Navigation returns false and leaves the cursor alone when nothing fits.
  // A null name matches any element.
  bool FindElement(const char* name = nullptr);
  bool FindChildElement(const char* name = nullptr);
  bool IntoElement();
  bool OutOfElement();
  void ResetPositions();
  void ResetChildPosition() { child_ = 0; }

  std::string GetTagName() const;
  // Entity-decoded content with CDATA sections unwrapped; empty when the
  // element has child elements.
  std::string GetText() const;
  std::string GetAttribute(std::string_view name) const;

  // Adds <name>text</name> (or <name/>) after the current element, or at the
  // end of the parent's content, on a line of its own, and makes it current.
  // False, with nothing changed, when `name` is not a valid tag name.
  bool AddElement(std::string_view name, std::string_view text = {});

  // Read: "<bytes> bytes to <chars> wide chars". Write: "<chars> wide chars
  // to <bytes> bytes". On failure the system's error message and false.
  static bool ReadTextFile(const std::string& path,
                           std::string& text,
                           std::string* result = nullptr);
  static bool WriteTextFile(const std::string& path,
                            const std::string& text,
                            std::string* result = nullptr);

 private:
  // One element; record 0 stands for the document. Offsets and lengths are
  // 64-bit so that no tag of an addressable text can be truncated.
  struct Record {
    uint64_t start = 0;   // offset of "<"
    uint64_t length = 0;  // start tag up to the end of the end tag
    uint64_t start_tag_length = 0;
    uint64_t end_tag_length = 0;  // 0 for "<a/>" and for a missing end tag
    uint64_t parent = 0;
    uint64_t first_child = 0;
    uint64_t next = 0;   // 0 at the last child
    uint64_t prev = 0;   // the first child holds the last child here
    uint32_t flags = 0;  // marks in the high bits, nesting level in the low 16
  };

  // Records in segments of 65536, so that growing moves one segment at most.
  class Index {
   public:
    static constexpr unsigned kSegmentBits = 16;
    static constexpr uint64_t kSegmentSize = uint64_t{1} << kSegmentBits;

    void Reset(uint64_t reserve);
    uint64_t Add();
    uint64_t size() const { return used_; }
    Record& operator[](uint64_t i) { return segments_[i >> kSegmentBits][i & (kSegmentSize - 1)]; }
    const Record& operator[](uint64_t i) const {
      return segments_[i >> kSegmentBits][i & (kSegmentSize - 1)];
    }

   private:
    void Grow(uint64_t capacity);

    std::vector<std::vector<Record>> segments_;
    uint64_t capacity_ = 0;
    uint64_t used_ = 0;
  };

  class Parser;

  // Replacing `removed` bytes at `pos` with `text` puts the new element at
  // `start`.
  struct Insertion {
    uint64_t pos = 0;
    uint64_t removed = 0;
    std::string text;
    uint64_t start = 0;
    bool opens_parent = false;  // the parent was "<p/>"
  };

  std::string_view TagName(uint64_t element) const;
  uint64_t Find(uint64_t from, const char* name) const;
  uint64_t Level(uint64_t element) const;
  void LinkLastChild(uint64_t parent, uint64_t element);
  void LinkAfter(uint64_t sibling, uint64_t element);
  void Shift(uint64_t pos, uint64_t removed, uint64_t inserted);
  bool IsEmptyElementTag(uint64_t element) const;
  Insertion PlanInsertion(const std::string& element) const;

  std::string text_;
  std::string parse_result_;
  Index index_;
  uint64_t parent_ = 0;
  uint64_t current_ = 0;
  uint64_t child_ = 0;
};

// Looks up the current element's first child called `name` and takes its
// text. False, with `value` unchanged, when there is none.
bool ReadChildText(XmlDocument& doc, std::string_view name, std::string& value);

#endif  // QEL_FOUNDATION_XML_DOCUMENT_H_
