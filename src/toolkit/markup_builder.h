// Builds a window's control tree from its markup: the root Window element's
// attributes go to the paint manager (size, caption, shadow ...), Font
// elements to its font table, and the first control element becomes the
// root of the tree.
#ifndef QEL_TOOLKIT_MARKUP_BUILDER_H_
#define QEL_TOOLKIT_MARKUP_BUILDER_H_

#include <string>

#include "toolkit/control.h"

class CPaintManagerUI;

// Builds from markup text. Null, with the reason in `error`, when the text is
// not well-formed XML, has no Window root, or holds no control. Element names
// the toolkit does not know are offered to `callback`; when it has nothing
// either the element (and what it contains) is skipped and logged.
CControlUI* BuildMarkup(const std::string& markup,
                        CPaintManagerUI* manager,
                        IDialogBuilderCallback* callback,
                        std::string* error);

// The same for a file of the current skin archive.
CControlUI* BuildMarkupFile(const std::string& name,
                            CPaintManagerUI* manager,
                            IDialogBuilderCallback* callback,
                            std::string* error);

// A control of a built-in class ("Label", "Button" ...); null for others.
CControlUI* CreateBuiltinControl(const std::string& class_name);

#endif  // QEL_TOOLKIT_MARKUP_BUILDER_H_
