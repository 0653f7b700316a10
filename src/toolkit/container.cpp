#include "toolkit/container.h"

#include <algorithm>

#include "toolkit/paint_manager.h"

bool CContainerUI::Add(CControlUI* control) {
  return AddAt(control, GetCount());
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control || index < 0 || index > GetCount())
    return false;
  items_.insert(items_.begin() + index, std::unique_ptr<CControlUI>(control));
  if (manager_) {
    control->SetManager(manager_, this);
    manager_->InitControls(control);
  } else {
    control->parent_ = this;
  }
  NeedLayout();
  return true;
}

bool CContainerUI::Remove(CControlUI* control) {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const auto& item) { return item.get() == control; });
  if (it == items_.end())
    return false;
  items_.erase(it);
  NeedLayout();
  return true;
}

void CContainerUI::RemoveAll() {
  items_.clear();
  NeedLayout();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  return index >= 0 && index < GetCount() ? items_[index].get() : nullptr;
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (auto& item : items_)
    item->SetManager(manager, this);
}

void CContainerUI::SetItemRect(const RECT& rect) {
  CControlUI::SetItemRect(rect);
  for (auto& item : items_)
    if (item->IsVisible() && item->IsFloat())
      PlaceFloat(item.get());
  LayoutChildren(rect);
}

void CContainerUI::PlaceFloat(CControlUI* child) {
  POINT xy = child->GetFixedXY();
  int left = rect_.left + xy.x;
  int top = rect_.top + xy.y;
  child->SetItemRect(RECT{left, top, left + child->GetFixedWidth(), top + child->GetFixedHeight()});
}

void CContainerUI::LayoutChildren(const RECT& inner) {
  for (auto& item : items_) {
    if (!item->IsVisible() || item->IsFloat())
      continue;
    int w = item->GetFixedWidth() ? item->GetFixedWidth() : inner.width();
    int h = item->GetFixedHeight() ? item->GetFixedHeight() : inner.height();
    item->SetItemRect(RECT{inner.left, inner.top, inner.left + w, inner.top + h});
  }
}

void CVerticalLayoutUI::LayoutChildren(const RECT& inner) {
  int fixed = 0, flexible = 0;
  for (auto& item : items_) {
    if (!item->IsVisible() || item->IsFloat())
      continue;
    if (item->GetFixedHeight())
      fixed += item->GetFixedHeight();
    else
      ++flexible;
  }
  int share = flexible ? std::max(0, inner.height() - fixed) / flexible : 0;
  int y = inner.top;
  for (auto& item : items_) {
    if (!item->IsVisible() || item->IsFloat())
      continue;
    int h = item->GetFixedHeight() ? item->GetFixedHeight() : share;
    int w = item->GetFixedWidth() ? item->GetFixedWidth() : inner.width();
    item->SetItemRect(RECT{inner.left, y, inner.left + w, y + h});
    y += h;
  }
}

void CHorizontalLayoutUI::LayoutChildren(const RECT& inner) {
  int fixed = 0, flexible = 0;
  for (auto& item : items_) {
    if (!item->IsVisible() || item->IsFloat())
      continue;
    if (item->GetFixedWidth())
      fixed += item->GetFixedWidth();
    else
      ++flexible;
  }
  int share = flexible ? std::max(0, inner.width() - fixed) / flexible : 0;
  int x = inner.left;
  for (auto& item : items_) {
    if (!item->IsVisible() || item->IsFloat())
      continue;
    int w = item->GetFixedWidth() ? item->GetFixedWidth() : share;
    int h = item->GetFixedHeight() ? item->GetFixedHeight() : inner.height();
    item->SetItemRect(RECT{x, inner.top, x + w, inner.top + h});
    x += w;
  }
}

CControlUI* CContainerUI::FindControlAt(POINT point) {
  if (!visible_ || !rect_.Contains(point))
    return nullptr;
  // Later children are drawn on top, so they are hit first.
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if (CControlUI* hit = (*it)->FindControlAt(point))
      return hit;
  return mouse_ ? this : nullptr;
}

CControlUI* CContainerUI::FindControlByName(std::string_view name) {
  if (name_ == name)
    return this;
  for (auto& item : items_)
    if (CControlUI* found = item->FindControlByName(name))
      return found;
  return nullptr;
}

void CContainerUI::DoPaint(cairo_t* cr, const RECT& dirty) {
  if (!visible_)
    return;
  CControlUI::DoPaint(cr, dirty);
  // Floating children may reach outside the container, as in the markup
  // where a page lays its background over the whole window.
  for (auto& item : items_)
    item->DoPaint(cr, dirty);
}
