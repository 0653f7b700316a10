// The skinned window every program window derives from: built from a markup
// file of the skin when created, frameless (the whole window is client
// area), hit-tested by its caption and size-box settings, rounded by its
// corner ellipse, with the drop shadow of its markup, Enter and Escape
// swallowed, default clicks for closebtn/minbtn/maxbtn/restorebtn, and a
// modal loop with a result code.
//
// Message routing: the base's own handler for the message (each starts with
// `bHandled` set; clearing it passes the message on), then
// HandleCustomMessage, then the paint manager (input, controls, timers),
// then the default window procedure.
#ifndef QEL_TOOLKIT_WINDOW_IMPL_BASE_H_
#define QEL_TOOLKIT_WINDOW_IMPL_BASE_H_

#include <memory>
#include <string>

#include "toolkit/control.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window.h"

class WindowImplBase : public CWindowWnd,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public PaintHost {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  // What each window supplies.
  // The markup file of the skin archive (or the resource id when
  // GetSkinType names a resource type).
  virtual std::string GetSkinFile() = 0;
  virtual std::string GetSkinType() { return {}; }
  virtual void InitWindow() {}
  void Notify(TNotifyUI& msg) override;
  virtual void OnClick(TNotifyUI& msg);
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  CControlUI* CreateControl(const char* pstrClass) override;
  // Enter and Escape: true swallows the key (the base swallows both).
  virtual bool ResponseDefaultKeyEvent(WPARAM wParam);

  // Shows the window, disables its owner and runs a nested loop until the
  // window is gone. The result is the wParam of the last WM_CLOSE posted to
  // the window while the loop ran (CloseWithCode), 0 when it ended without
  // one (a system close sends its WM_CLOSE with 0). A WM_QUIT seen meanwhile
  // is posted again for the outer loop.
  int RunModal();
  void CloseWithCode(int code);

  CPaintManagerUI& GetPaintManager() { return paint_manager_; }
  template <class T>
  T* FindControl(std::string_view name) const {
    return paint_manager_.Find<T>(name);
  }
  CControlUI* FindControl(std::string_view name) const { return paint_manager_.FindControl(name); }

  // IMessageFilterUI: the pre-message filter for keys.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  // PaintHost.
  HWND GetHWND() const override { return CWindowWnd::GetHWND(); }
  void InvalidateClient(const RECT& rect) override;
  void SetCursorKind(CursorKind cursor) override;
  std::unique_ptr<NativeChild> CreateNativeChild(NativeChildKind kind) override;
  SIZE GetClientSize() const override;

  // NativeWindowDelegate.
  void OnNativePaint(cairo_t* cr, const RECT& dirty) override;
  SIZE GetRoundCorner() const override { return paint_manager_.GetRoundCorner(); }
  const CShadowUI* GetShadow() const override;
  cairo_surface_t* GetShadowImage() override;

 protected:
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  bool PreTranslateMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool TranslateInput(UINT message, WPARAM wparam, LPARAM lparam) override;

  // The single handlers of the routing table.
  virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnNcCalcSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnNcPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

  CPaintManagerUI paint_manager_;

 private:
  struct ModalState {
    int result = 0;
  };
  void SwapMaxRestoreButtons();

  ModalState* modal_ = nullptr;
  cairo_surface_t* shadow_image_ = nullptr;
};

// The text of the box shown when a window's markup cannot be loaded; the
// process then ends with exit code 1.
inline constexpr char kMarkupLoadFailedText[] = "加载资源文件失败：";
inline constexpr char kMarkupLoadFailedCaption[] = "Duilib";

#endif  // QEL_TOOLKIT_WINDOW_IMPL_BASE_H_
