// Controls that hold controls: Container (children fill it), and the
// vertical and horizontal layouts (children stacked). Floating children are
// placed by their own `pos`, relative to the container.
#ifndef QEL_TOOLKIT_CONTAINER_H_
#define QEL_TOOLKIT_CONTAINER_H_

#include <memory>
#include <vector>

#include "toolkit/control.h"

class CContainerUI : public CControlUI {
 public:
  std::string_view GetClass() const override { return "Container"; }

  // Takes ownership.
  bool Add(CControlUI* control);
  bool AddAt(CControlUI* control, int index);
  // Deletes the control.
  bool Remove(CControlUI* control);
  void RemoveAll();
  int GetCount() const { return static_cast<int>(items_.size()); }
  CControlUI* GetItemAt(int index) const;

  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void SetItemRect(const RECT& rect) override;
  CControlUI* FindControlAt(POINT point) override;
  CControlUI* FindControlByName(std::string_view name) override;
  void DoPaint(cairo_t* cr, const RECT& dirty) override;

 protected:
  // Places the non-floating children inside `inner`.
  virtual void LayoutChildren(const RECT& inner);
  void PlaceFloat(CControlUI* child);

  std::vector<std::unique_ptr<CControlUI>> items_;
};

class CVerticalLayoutUI : public CContainerUI {
 public:
  std::string_view GetClass() const override { return "VerticalLayout"; }

 protected:
  void LayoutChildren(const RECT& inner) override;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  std::string_view GetClass() const override { return "HorizontalLayout"; }

 protected:
  void LayoutChildren(const RECT& inner) override;
};

#endif  // QEL_TOOLKIT_CONTAINER_H_
