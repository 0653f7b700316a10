// Combo box: shows the selected item; a click opens a drop-down list in a
// popup window below it; choosing an item notifies "itemselect".
#ifndef QEL_TOOLKIT_COMBO_H_
#define QEL_TOOLKIT_COMBO_H_

#include <memory>
#include <string>
#include <vector>

#include "toolkit/label.h"

class ComboPopup;
class CWindowWnd;

class CComboUI : public CButtonUI {
 public:
  CComboUI();
  ~CComboUI() override;
  std::string_view GetClass() const override { return "Combo"; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  void Activate() override;
  void DoEvent(TEventUI& event) override;
  void SetVisible(bool visible) override;

  int AddItem(const std::string& text);
  bool RemoveItem(int index);
  void RemoveAllItems();
  int GetCount() const { return static_cast<int>(items_.size()); }
  std::string GetItemText(int index) const;
  int FindItem(const std::string& text) const;
  int GetCurSel() const { return selected_; }
  // Notifies "itemselect" (wParam: new index, lParam: old index) when the
  // selection changes and `notify` is set.
  bool SelectItem(int index, bool notify = true);

  void SetItemHeight(int height) { item_height_ = height; }
  int GetItemHeight() const { return item_height_; }
  void SetDropBoxSize(SIZE size) { drop_size_ = size; }
  SIZE GetDropBoxSize() const { return drop_size_; }
  void SetItemSelectedBkColor(uint32_t argb) { selected_bkcolor_ = argb; }
  void SetItemHotBkColor(uint32_t argb) { item_hot_bkcolor_ = argb; }
  const RECT& GetItemTextPadding() const { return item_padding_; }

  bool IsDropped() const { return popup_ != nullptr; }
  // The open drop-down list window, or null.
  CWindowWnd* popup() const;
  void CloseDropDown();

 protected:
  void PaintText(cairo_t* cr) override;

 private:
  friend class ComboPopup;
  std::vector<std::string> items_;
  int selected_ = -1;
  int item_height_ = 24;
  SIZE drop_size_;
  RECT item_padding_;
  uint32_t selected_bkcolor_ = 0xFFC1E3FF;
  uint32_t item_hot_bkcolor_ = 0xFFE9F5FF;
  uint32_t item_textcolor_ = 0xFF000000;
  std::unique_ptr<ComboPopup> popup_;
};

#endif  // QEL_TOOLKIT_COMBO_H_
