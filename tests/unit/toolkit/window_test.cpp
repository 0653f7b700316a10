#include <gtest/gtest.h>

#include "toolkit/combo.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"
#include "toolkit/window_registry.h"
#include "toolkit_test_util.h"

namespace {

const char kDialog[] = R"(<Window size="200,120" caption="{caption}" sizebox="{sizebox}"
    showshadow="true" shadowsize="6" shadowdarkness="25" shadowposition="0,2">
  <Font name="Segoe UI" id="1" size="12" default="true"/>
  <VerticalLayout name="lay_main" bkcolor="#FFFFFFFF">
    <Label name="lbl" float="true" pos="10,40,110,60" text="Label"/>
    <Button name="closebtn" float="true" pos="170,4,194,28"/>
    <Button name="maxbtn" float="true" pos="140,4,164,28"/>
    <Button name="restorebtn" float="true" pos="140,4,164,28" visible="false"/>
    <Button name="ok" float="true" pos="10,80,90,110" text="OK"/>
    <Edit name="edit" float="true" pos="100,80,190,110" tipvalue="type"/>
    <Combo name="combo" float="true" pos="10,10,100,30" itemheight="20"/>
  </VerticalLayout>
</Window>)";

std::string Dialog(const std::string& caption, const std::string& sizebox) {
  std::string text = kDialog;
  text.replace(text.find("{caption}"), 9, caption);
  text.replace(text.find("{sizebox}"), 9, sizebox);
  return text;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMessageLoop();
    ASSERT_TRUE(LoadSkin(MakeZip({{"fixed.xml", Dialog("0,0,0,0", "0,0,0,0")},
                                  {"drag.xml", Dialog("0,0,0,40", "4,4,4,4")},
                                  {"broken.xml", "<Window><Label>"}})));
  }

  LRESULT HitTest(TestWindow& window, int x, int y) {
    POINT screen = window.ClientToScreen(POINT{x, y});
    return window.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
  }
};

}  // namespace

TEST_F(WindowTest, CaptionZeroMeansNoDragAndNoResize) {
  TestWindow window("fixed.xml");
  ASSERT_TRUE(window.Create(0, "w", WS_POPUP, 0, 100, 100));
  EXPECT_EQ(window.GetClientRect(), (RECT{0, 0, 200, 120}));
  for (POINT p : {POINT{0, 0}, POINT{100, 5}, POINT{199, 119}, POINT{50, 50}})
    EXPECT_EQ(HitTest(window, p.x, p.y), HTCLIENT) << p.x << "," << p.y;
  window.offscreen()->MouseDown(50, 5);
  window.offscreen()->MouseUp(50, 5);
  EXPECT_EQ(window.offscreen()->move_drags(), 0);
}

TEST_F(WindowTest, HitTestEdgesCaptionAndControls) {
  TestWindow window("drag.xml");
  ASSERT_TRUE(window.Create(0, "w", WS_POPUP, 0, 100, 100));
  struct Case {
    int x, y;
    LRESULT hit;
  } cases[] = {
      {1, 1, HTTOPLEFT},    {100, 1, HTTOP},           {198, 2, HTTOPRIGHT},
      {1, 60, HTLEFT},      {199, 60, HTRIGHT},        {1, 118, HTBOTTOMLEFT},
      {100, 119, HTBOTTOM}, {199, 119, HTBOTTOMRIGHT}, {50, 20, HTCLIENT},  // the combo takes input
      {120, 20, HTCAPTION},  // the background of the caption strip
      {20, 50, HTCLIENT},    // below the caption
      {180, 15, HTCLIENT},   // a button in the caption strip
  };
  for (const Case& c : cases)
    EXPECT_EQ(HitTest(window, c.x, c.y), c.hit) << c.x << "," << c.y;
  window.offscreen()->MouseDown(120, 20);
  EXPECT_EQ(window.offscreen()->move_drags(), 1);
  window.offscreen()->MouseDown(199, 60);
  EXPECT_EQ(window.offscreen()->last_resize_hit(), HTRIGHT);
  // A maximised window has no resize edges.
  window.SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(HitTest(window, 1, 60), HTCLIENT);
}

TEST_F(WindowTest, ClicksNotifyAndEnterEscapeDoNothing) {
  TestWindow window("fixed.xml");
  ASSERT_TRUE(window.Create(0, "w", WS_POPUP, 0));
  window.ShowWindow();
  auto clicks = [&] {
    return std::count_if(window.notes.begin(), window.notes.end(),
                         [](const std::string& note) { return note.rfind("click:", 0) == 0; });
  };
  window.offscreen()->Click(50, 95);
  EXPECT_EQ(window.notes.back(), "click:ok");
  window.offscreen()->KeyDown(VK_ESCAPE);
  window.offscreen()->KeyDown(VK_RETURN);
  PumpPendingMessages();
  EXPECT_TRUE(window.IsAlive());
  EXPECT_EQ(clicks(), 1);
  // Pressed outside, released inside: no click.
  window.offscreen()->MouseDown(20, 50);
  window.offscreen()->MouseUp(50, 95);
  EXPECT_EQ(clicks(), 1);
}

TEST_F(WindowTest, RunModalResults) {
  TestWindow owner("fixed.xml");
  ASSERT_TRUE(owner.Create(0, "owner", WS_POPUP, 0));
  owner.ShowWindow();

  // Closed with a code: the code; the owner is disabled meanwhile.
  TestWindow box("fixed.xml");
  ASSERT_TRUE(box.Create(owner, "box", WS_POPUP, 0));
  bool owner_was_disabled = false;
  PostToUiThread([&] {
    owner_was_disabled = !owner.IsWindowEnabled() && !owner.offscreen()->enabled();
    box.CloseWithCode(7);
  });
  EXPECT_EQ(box.RunModal(), 7);
  EXPECT_TRUE(owner_was_disabled);
  EXPECT_TRUE(owner.IsWindowEnabled());
  EXPECT_FALSE(box.IsAlive());

  // The system close (Alt+F4): 0.
  TestWindow alt_f4("fixed.xml");
  ASSERT_TRUE(alt_f4.Create(owner, "box", WS_POPUP, 0));
  PostToUiThread([&] { alt_f4.offscreen()->SystemClose(); });
  EXPECT_EQ(alt_f4.RunModal(), 0);

  // The default close button: code 1.
  TestWindow with_button("fixed.xml");
  ASSERT_TRUE(with_button.Create(owner, "box", WS_POPUP, 0));
  PostToUiThread([&] { with_button.offscreen()->Click(180, 15); });
  EXPECT_EQ(with_button.RunModal(), 1);

  // Escape and Enter leave a modal box open.
  TestWindow keys("fixed.xml");
  ASSERT_TRUE(keys.Create(owner, "box", WS_POPUP, 0));
  PostToUiThread([&] {
    keys.offscreen()->KeyDown(VK_ESCAPE);
    keys.offscreen()->KeyDown(VK_RETURN);
    PostToUiThread([&] { keys.CloseWithCode(keys.IsAlive() ? 3 : 4); });
  });
  EXPECT_EQ(keys.RunModal(), 3);

  // A quit seen by the modal loop ends it and reaches the outer loop.
  TestWindow quitting("fixed.xml");
  ASSERT_TRUE(quitting.Create(owner, "box", WS_POPUP, 0));
  PostToUiThread([] { PostQuitMessage(5); });
  EXPECT_EQ(quitting.RunModal(), 0);
  EXPECT_EQ(RunMessageLoop(), 5);
  quitting.DestroyWindow();
}

TEST_F(WindowTest, MaximiseSwapsButtonsAndHidesTheShadow) {
  TestWindow window("fixed.xml");
  ASSERT_TRUE(window.Create(0, "w", WS_POPUP, 0));
  window.ShowWindow();
  EXPECT_EQ(window.offscreen()->FrameMargins(), (RECT{6, 4, 6, 8}));
  window.SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(window.IsZoomed());
  EXPECT_FALSE(window.FindControl("maxbtn")->IsVisible());
  EXPECT_TRUE(window.FindControl("restorebtn")->IsVisible());
  EXPECT_EQ(window.offscreen()->FrameMargins(), (RECT{}));
  window.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(window.FindControl("maxbtn")->IsVisible());
  EXPECT_EQ(window.offscreen()->FrameMargins(), (RECT{6, 4, 6, 8}));
  window.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(window.offscreen()->FrameMargins(), (RECT{}));
  window.ShowWindow(false);
  window.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(window.offscreen()->FrameMargins(), (RECT{}));
}

TEST_F(WindowTest, EditComboAndControlTimers) {
  TestWindow window("fixed.xml");
  ASSERT_TRUE(window.Create(0, "w", WS_POPUP, 0));
  window.ShowWindow();
  auto* edit = window.FindControl<CEditUI>("edit");
  window.offscreen()->Click(120, 95);
  OffscreenChild* child = window.offscreen()->last_child();
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(child->visible());
  EXPECT_EQ(child->bounds(), (RECT{100, 80, 190, 110}));
  child->Type("hello");
  EXPECT_EQ(edit->GetText(), "hello");
  EXPECT_EQ(window.notes.back(), "textchanged:edit");
  child->Blur();
  EXPECT_FALSE(child->visible());

  auto* combo = window.FindControl<CComboUI>("combo");
  combo->AddItem("English");
  combo->AddItem("Deutsch");
  window.offscreen()->Click(50, 20);
  ASSERT_TRUE(combo->IsDropped());
  OffscreenWindowOf(combo->popup())->Click(10, 30);  // the second row
  PumpPendingMessages();
  EXPECT_FALSE(combo->IsDropped());
  EXPECT_EQ(combo->GetCurSel(), 1);
  EXPECT_EQ(window.notes.back(), "itemselect:combo");

  CControlUI* label = window.FindControl("lbl");
  int ticks = 0;
  window.notes.clear();
  ASSERT_TRUE(window.GetPaintManager().SetTimer(label, 1982, 1));
  RunUntil([&] {
    ticks = static_cast<int>(
        std::count(window.notes.begin(), window.notes.end(), std::string("timer:lbl")));
    return ticks >= 2;
  });
  EXPECT_TRUE(window.GetPaintManager().KillTimer(label, 1982));
  EXPECT_FALSE(window.GetPaintManager().KillTimer(label, 1982));
}

TEST_F(WindowTest, WorkerThreadsChangeControlsThroughTheUiThread) {
  TestWindow window("fixed.xml");
  ASSERT_TRUE(window.Create(0, "w", WS_POPUP, 0));
  CControlUI* label = window.FindControl("lbl");
  std::atomic<bool> done{false};
  std::thread worker([&] {
    label->SetText("from a worker");
    label->SetVisible(false);
    done = true;
  });
  RunUntil([&] { return done.load(); });
  worker.join();
  EXPECT_EQ(label->GetText(), "from a worker");
  EXPECT_FALSE(label->IsVisible());
}

TEST_F(WindowTest, RegistryFindsWindowsByClassAndTitle) {
  TempDir sysroot;
  ScopedEnv root("QEL_SYSROOT", sysroot.path().c_str());
  ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/test");
  TestWindow window("fixed.xml", "QEL");
  ASSERT_TRUE(window.Create(0, "Vantorix", WS_POPUP, 0));
  EXPECT_EQ(FindWindow("QEL", "Vantorix"), window.GetHWND());
  EXPECT_EQ(FindWindow("QEL", "Other"), 0u);
  EXPECT_EQ(GetWindowClassName(window.GetHWND()), "QEL");
  window.SetWindowText("Renamed");
  EXPECT_EQ(FindWindow("QEL", "Renamed"), window.GetHWND());
  HWND hwnd = window.GetHWND();
  window.DestroyWindow();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(FindWindow("QEL", nullptr), 0u);
}

TEST_F(WindowTest, MarkupThatCannotBeLoadedEndsTheProcess) {
  EXPECT_EXIT(
      {
        TestWindow window("broken.xml");
        window.Create(0, "w", WS_POPUP, 0);
      },
      ::testing::ExitedWithCode(1), "Duilib: 加载资源文件失败：broken.xml");
  EXPECT_EXIT(
      {
        TestWindow window("missing.xml");
        window.Create(0, "w", WS_POPUP, 0);
      },
      ::testing::ExitedWithCode(1), "加载资源文件失败：missing.xml");
}
