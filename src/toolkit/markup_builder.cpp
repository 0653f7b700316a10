#include "toolkit/markup_builder.h"

#include <strings.h>

#include "foundation/log.h"
#include "foundation/xml_document.h"
#include "toolkit/combo.h"
#include "toolkit/container.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"
#include "toolkit/paint_manager.h"
#include "toolkit/progress.h"
#include "toolkit/skin_archive.h"

namespace {

// Every attribute a control may carry, in the order they are applied: the
// placement first, so that later size attributes refine it.
constexpr const char* kControlAttributes[] = {
    "name", "float", "pos", "width", "height", "text", "tooltip", "visible", "enabled", "enable",
    "mouse", "bkcolor", "bkimage", "bordersize", "bordercolor", "textcolor", "disabledtextcolor",
    "font", "align", "textpadding", "cursor", "showhtml", "wordbreak", "transparent", "userdata",
    // buttons and check boxes
    "normalimage", "hotimage", "pushedimage", "disabledimage", "selectedimage", "selectedhotimage",
    "selected", "hotbkcolor", "pushedbkcolor", "hottextcolor", "pushedtextcolor",
    // combo
    "itemtextpadding", "itemheight", "dropboxsize", "itemselectedbkcolor", "itemhotbkcolor",
    "itemtextcolor",
    // edits
    "readonly", "tipvalue", "tipvaluecolor", "multiline", "wantreturn", "nativebkcolor",
    // progress
    "min", "max", "value", "hor", "foreimage",
    // web browser
    "clsid", "delaycreate", "homepage"};

void ApplyWindowAttributes(XmlDocument& doc, CPaintManagerUI* manager) {
  std::string value;
  SIZE size;
  RECT rect;
  uint32_t color;
  if (ParseSize(doc.GetAttribute("size"), &size))
    manager->SetInitSize(size.cx, size.cy);
  if (ParseRect(doc.GetAttribute("caption"), &rect))
    manager->SetCaptionRect(rect);
  if (ParseRect(doc.GetAttribute("sizebox"), &rect))
    manager->SetSizeBox(rect);
  if (ParseSize(doc.GetAttribute("roundcorner"), &size))
    manager->SetRoundCorner(size.cx, size.cy);
  if (ParseSize(doc.GetAttribute("mininfo"), &size))
    manager->SetMinInfo(size.cx, size.cy);
  if (ParseSize(doc.GetAttribute("maxinfo"), &size))
    manager->SetMaxInfo(size.cx, size.cy);
  if (ParseColor(doc.GetAttribute("bkcolor"), &color))
    manager->SetWindowBkColor(color);
  if (ParseBool(doc.GetAttribute("bktrans")) || ParseBool(doc.GetAttribute("layered")))
    manager->SetLayered(true);
  if (!(value = doc.GetAttribute("layeredopacity")).empty()) {
    manager->SetLayered(true);
    manager->SetLayeredOpacity(ParseInt(value, 255));
  }
  if (!(value = doc.GetAttribute("layeredimage")).empty()) {
    manager->SetLayered(true);
    manager->SetLayeredImage(value);
  }
  CShadowUI* shadow = manager->GetShadow();
  POINT point;
  if (!(value = doc.GetAttribute("showshadow")).empty())
    shadow->SetShow(ParseBool(value));
  if (!(value = doc.GetAttribute("shadowsize")).empty())
    shadow->SetSize(ParseInt(value));
  if (!(value = doc.GetAttribute("shadowsharpness")).empty())
    shadow->SetSharpness(ParseInt(value));
  if (!(value = doc.GetAttribute("shadowdarkness")).empty())
    shadow->SetDarkness(ParseInt(value));
  if (ParsePoint(doc.GetAttribute("shadowposition"), &point))
    shadow->SetPosition(point.x, point.y);
  if (ParseColor(doc.GetAttribute("shadowcolor"), &color))
    shadow->SetColor(color);
  if (!(value = doc.GetAttribute("shadowimage")).empty())
    shadow->SetImage(value);
  if (ParseRect(doc.GetAttribute("shadowcorner"), &rect))
    shadow->SetShadowCorner(rect);
}

void AddFont(XmlDocument& doc, CPaintManagerUI* manager) {
  FontSpec font;
  std::string name = doc.GetAttribute("name");
  if (!name.empty())
    font.name = name;
  font.size = ParseInt(doc.GetAttribute("size"), 12);
  font.bold = ParseBool(doc.GetAttribute("bold"));
  font.italic = ParseBool(doc.GetAttribute("italic"));
  font.underline = ParseBool(doc.GetAttribute("underline"));
  manager->fonts().Add(ParseInt(doc.GetAttribute("id"), -1), font,
                       ParseBool(doc.GetAttribute("default")));
}

CControlUI* CreateControl(const std::string& tag, IDialogBuilderCallback* callback) {
  if (CControlUI* control = CreateBuiltinControl(tag))
    return control;
  if (callback)
    return callback->CreateControl(tag.c_str());
  return nullptr;
}

// Builds the current element (and its children) of `doc`.
CControlUI* BuildElement(XmlDocument& doc, IDialogBuilderCallback* callback) {
  std::string tag = doc.GetTagName();
  CControlUI* control = CreateControl(tag, callback);
  if (!control) {
    LOG_WARN("[WARN] BuildMarkup, unknown element=[%s] skipped", tag.c_str());
    return nullptr;
  }
  for (const char* name : kControlAttributes) {
    std::string value = doc.GetAttribute(name);
    if (!value.empty())
      control->SetAttribute(name, value);
  }
  if (auto* container = dynamic_cast<CContainerUI*>(control)) {
    doc.ResetChildPosition();
    while (doc.FindChildElement()) {
      doc.IntoElement();
      if (CControlUI* child = BuildElement(doc, callback))
        container->Add(child);
      doc.OutOfElement();
    }
  }
  return control;
}

}  // namespace

CControlUI* CreateBuiltinControl(const std::string& name) {
  auto is = [&](const char* other) { return strcasecmp(name.c_str(), other) == 0; };
  if (is("Control"))
    return new CControlUI();
  if (is("Container"))
    return new CContainerUI();
  if (is("VerticalLayout"))
    return new CVerticalLayoutUI();
  if (is("HorizontalLayout"))
    return new CHorizontalLayoutUI();
  if (is("Label") || is("Text"))
    return new CLabelUI();
  if (is("Button"))
    return new CButtonUI();
  if (is("CheckBox") || is("Option"))
    return new CCheckBoxUI();
  if (is("Combo"))
    return new CComboUI();
  if (is("Edit"))
    return new CEditUI();
  if (is("RichEdit"))
    return new CRichEditUI();
  if (is("Progress"))
    return new CProgressUI();
  return nullptr;
}

CControlUI* BuildMarkup(const std::string& markup,
                        CPaintManagerUI* manager,
                        IDialogBuilderCallback* callback,
                        std::string* error) {
  XmlDocument doc;
  if (!doc.SetDocument(std::string_view(markup))) {
    *error = "bad markup: " + doc.GetParseResult();
    return nullptr;
  }
  if (!doc.FindElement() || doc.GetTagName() != "Window") {
    *error = "no Window element";
    return nullptr;
  }
  ApplyWindowAttributes(doc, manager);
  CControlUI* root = nullptr;
  doc.ResetChildPosition();
  while (doc.FindChildElement()) {
    doc.IntoElement();
    std::string tag = doc.GetTagName();
    if (tag == "Font") {
      AddFont(doc, manager);
    } else if (!root && tag != "Default" && tag != "Image") {
      root = BuildElement(doc, callback);
    }
    doc.OutOfElement();
  }
  if (!root)
    *error = "no control in the markup";
  return root;
}

CControlUI* BuildMarkupFile(const std::string& name,
                            CPaintManagerUI* manager,
                            IDialogBuilderCallback* callback,
                            std::string* error) {
  std::string markup;
  if (!ReadSkinFile(name, &markup)) {
    *error = "not in the skin archive";
    return nullptr;
  }
  return BuildMarkup(markup, manager, callback, error);
}
