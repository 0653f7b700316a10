#include <gtest/gtest.h>

#include "toolkit/combo.h"
#include "toolkit/container.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"
#include "toolkit/markup_builder.h"
#include "toolkit/paint_manager.h"
#include "toolkit/progress.h"
#include "toolkit_test_util.h"

namespace {

class Factory : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const char* name) override {
    asked.push_back(name);
    return std::string(name) == "WebBrowserEx" ? new CControlUI() : nullptr;
  }
  std::vector<std::string> asked;
};

}  // namespace

TEST(Markup, BuildsWindowAttributesFontsAndControls) {
  CPaintManagerUI manager;
  Factory factory;
  std::string error;
  std::unique_ptr<CControlUI> root(BuildMarkup(
      R"(<Window size="248,264" caption="0,0,0,-1" sizebox="4,4,4,4" showshadow="true"
             shadowsize="6" shadowdarkness="25" shadowposition="0,2" shadowsharpness="99">
           <Font name="Segoe UI" id="5" size="14" underline="true" default="true"/>
           <VerticalLayout name="lay_main" width="288" height="344" bkcolor="0xFFF8F8FF">
             <Button name="b" float="true" pos="24,170,0,0" width="200" height="32"
                     normalimage="file=&apos;btn1_normal.png&apos; corner=&apos;20,0,20,0&apos;"
                     bodercolor="#FFF5F5F5" font="5" align="center"/>
             <WebBrowserEx name="web" clsid="{8856F961-340A-11D0-A96B-00C04FD705A2}"/>
             <Mystery name="m"/>
             <Progress name="p" min="0" max="100" value="10" hor="true"/>
           </VerticalLayout>
         </Window>)",
      &manager, &factory, &error));
  ASSERT_TRUE(root) << error;
  EXPECT_EQ(manager.GetInitSize().cx, 248);
  EXPECT_EQ(manager.GetCaptionRect().bottom, -1);
  EXPECT_EQ(manager.GetSizeBox(), (RECT{4, 4, 4, 4}));
  CShadowUI* shadow = manager.GetShadow();
  EXPECT_TRUE(shadow->IsShowShadow());
  EXPECT_EQ(shadow->size(), 6);
  EXPECT_EQ(shadow->darkness(), 25);
  EXPECT_EQ(shadow->position().y, 2);
  EXPECT_EQ(shadow->sharpness(), 5);  // 99 is out of range and ignored
  EXPECT_TRUE(manager.fonts().Get(5).underline);
  EXPECT_EQ(manager.fonts().default_font().size, 14);
  EXPECT_EQ(factory.asked, (std::vector<std::string>{"WebBrowserEx", "Mystery"}));

  auto* main = dynamic_cast<CVerticalLayoutUI*>(root.get());
  ASSERT_TRUE(main);
  EXPECT_EQ(main->GetCount(), 3);  // the unknown element is skipped
  EXPECT_EQ(main->GetBkColor(), 0xFFF8F8FFu);
  auto* button = dynamic_cast<CButtonUI*>(root->FindControlByName("b"));
  ASSERT_TRUE(button);
  EXPECT_TRUE(button->IsFloat());
  EXPECT_EQ(button->GetFixedXY().x, 24);
  EXPECT_EQ(button->GetFixedWidth(), 200);
  EXPECT_EQ(button->GetFixedHeight(), 32);
  auto* progress = dynamic_cast<CProgressUI*>(root->FindControlByName("p"));
  ASSERT_TRUE(progress);
  EXPECT_EQ(progress->GetValue(), 10);
}

TEST(Markup, BadMarkupIsReportedNotBuilt) {
  struct Case {
    const char* markup;
    const char* error;
  } cases[] = {
      {"<Window><Label></Window>", "bad markup"},
      {"", "bad markup"},
      {"<Dialog><Label/></Dialog>", "no Window element"},
      {"<Window><Font id='1'/></Window>", "no control"},
  };
  for (const Case& c : cases) {
    CPaintManagerUI manager;
    std::string error;
    EXPECT_EQ(BuildMarkup(c.markup, &manager, nullptr, &error), nullptr) << c.markup;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.markup << ": " << error;
  }
}

TEST(Markup, EveryControlTheWindowsUseIsInTheSkin) {
  UseBuiltSkin();
  const std::map<std::string, std::vector<std::string>> names = {
      {"skin.xml",
       {"lay_main",
        "lab_bk0",
        "lab_bk",
        "lay_before",
        "btn_install",
        "cbx_agree",
        "lbl_agree",
        "btn_privacy",
        "btn_eula",
        "lbl_and",
        "lbl_tail",
        "btn_settings",
        "btn_downIcon",
        "btn_upIcon",
        "lbl_language",
        "cmb_language",
        "lbl_install_dir",
        "lbl_folder_bk",
        "btn_select_dir",
        "edit_install_dir",
        "line_select_dir",
        "cbx_ext_install",
        "lay_download",
        "lab_banner",
        "web_banner",
        "progress_download",
        "lbl_progress_tip",
        "lbl_progress_value",
        "lbl_wait_for_time_tip",
        "lbl_agree2",
        "btn_privacy2",
        "btn_eula2",
        "btn_settings2",
        "btn_settingPrivacy",
        "btn_downIconPrivacy",
        "btn_upIconPrivacy",
        "lbl_install_path_download",
        "lbl_folder_bk_path_download",
        "btn_change_path_download",
        "edit_install_path_download",
        "line_change_path_download",
        "lbl_space_info",
        "lay_after",
        "btn_run",
        "edit_package",
        "lay_failed",
        "lbl_bk",
        "lbl_icon",
        "lbl_title",
        "lbl_install_failed",
        "lbl_tip1",
        "lbl_tip2",
        "lbl_tip3",
        "btn_download_pkg",
        "lbl_tip4",
        "lbl_contact",
        "edit_contact",
        "edit_remark",
        "btn_help",
        "btn_send_report",
        "lay_license",
        "lbl_web_bk",
        "lbl_license_border",
        "web_license",
        "lay_caption",
        "btn_close",
        "btn_minimal"}},
      {"messagebox.xml",
       {"lay_main", "lbl_title", "btn_close", "lab_icon", "edit_content", "lbl_folder_bk",
        "edit_path", "btn_browse", "line_browse", "btn_ok", "btn_cancel", "btn_gray"}},
      {"privacybox.xml",
       {"lay_main", "lbl_title", "lbl_content", "box_btn_privacy", "box_btn_eula", "box_lbl_and",
        "box_lbl_tail", "btn_agree_install", "btn_not_agree"}},
      {"redeembox.xml",
       {"lay_main", "lbl_content", "btn_close", "edit_email_bk", "edit_email", "lbl_error_tip",
        "lbl_tip", "btn_ok", "btn_cancel"}},
      {"installconfirm.xml",
       {"lay_main", "lbl_title", "lab_icon", "lbl_folder_bk", "edit_path", "btn_browse",
        "line_browse", "btn_install"}},
      {"mask.xml",
       {"lay_main", "btn_minimal", "btn_close", "lbl_tips_bkg", "lbl_tips", "btn_close_tip"}},
  };
  for (const auto& [file, controls] : names) {
    CPaintManagerUI manager;
    Factory factory;
    std::string error;
    std::unique_ptr<CControlUI> root(BuildMarkupFile(file, &manager, &factory, &error));
    ASSERT_TRUE(root) << file << ": " << error;
    for (const std::string& name : controls)
      EXPECT_TRUE(root->FindControlByName(name)) << file << " lacks " << name;
    EXPECT_FALSE(root->FindControlByName("lay_downloading"));
    EXPECT_FALSE(root->FindControlByName("ExtLayout"));
  }
}

TEST(Markup, SkinPlacementsFollowTheMarkup) {
  UseBuiltSkin();
  TestWindow window("skin.xml");
  ASSERT_TRUE(window.Create(0, "t", WS_POPUP, 0));
  CPaintManagerUI& pm = window.GetPaintManager();
  pm.UpdateLayout();
  EXPECT_EQ(window.GetClientRect(), (RECT{0, 0, 600, 400}));
  struct Case {
    const char* name;
    RECT rect;
  } cases[] = {
      {"btn_install", {204, 265, 396, 305}},  {"cbx_agree", {89, 330, 139, 346}},
      {"cmb_language", {160, 400, 480, 432}}, {"btn_downIcon", {570, 375, 578, 383}},
      {"btn_close", {568, 4, 592, 28}},       {"edit_install_dir", {171, 401, 442, 430}},
      {"lab_bk0", {0, 0, 600, 456}},
  };
  for (const Case& c : cases) {
    CControlUI* control = pm.FindControl(c.name);
    ASSERT_TRUE(control) << c.name;
    EXPECT_EQ(control->GetPos(), c.rect) << c.name;
  }
  auto* agree = pm.Find<CCheckBoxUI>("cbx_agree");
  EXPECT_FALSE(agree->IsSelected());
  EXPECT_TRUE(pm.Find<CCheckBoxUI>("cbx_ext_install")->IsSelected());
  EXPECT_FALSE(pm.FindControl("btn_send_report")->IsEnabled());
  EXPECT_TRUE(pm.Find<CEditUI>("edit_install_dir")->IsReadOnly());
}
