// The clipboard as the product configuration reads it. The toolkit gives
// the real one; until then there is never any text.
#ifndef QEL_APP_CLIPBOARD_H_
#define QEL_APP_CLIPBOARD_H_

#include <string>

class IClipboard {
 public:
  virtual ~IClipboard() = default;
  // The clipboard's plain text (UTF-8); false when it holds none.
  virtual bool GetText(std::string* text) = 0;
};

class NoClipboard : public IClipboard {
 public:
  bool GetText(std::string*) override { return false; }
};

#endif  // QEL_APP_CLIPBOARD_H_
