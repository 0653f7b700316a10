#include "app/run_state.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "foundation/log.h"
#include "foundation/xml_document.h"

void RunState::Configure(std::string file, bool fork_mode) {
  file_ = std::move(file);
  fork_mode_ = fork_mode;
}

void RunState::SetSelectLang(const std::string& lang) {
  LOG_INFO("[INFO] set select lang=[%s].", lang.c_str());
  select_lang = lang;
}

void RunState::ReadRunConfig() {
  if (file_.empty())
    return;
  LOG_INFO("[INFO] ReadRunConfig");
  std::string text;
  XmlDocument doc;
  if (XmlDocument::ReadTextFile(file_, text, nullptr) && doc.SetDocument(text) &&
      doc.FindElement("config")) {
    ReadChildText(doc, "Status", status);
    ReadChildText(doc, "JoinExp", join_exp);
    ReadChildText(doc, "SelectLang", select_lang);
    ReadChildText(doc, "InstallPath", install_path);
    ReadChildText(doc, "AgreeExtInstall", agree_ext_install);
    ReadChildText(doc, "TmpPackagePath", tmp_package_path);
    if (!install_path.empty() && install_path.back() != '/')
      install_path.push_back('/');
  }
  resumed_ = atoi(status.c_str()) == 1;
}

void RunState::WriteRunConfig() {
  if (fork_mode_ || file_.empty())
    return;
  LOG_INFO("[INFO] WriteRunConfig");
  XmlDocument doc;
  doc.SetDocument("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  doc.AddElement("config");
  doc.IntoElement();
  doc.AddElement("Status", status);
  doc.AddElement("JoinExp", join_exp);
  doc.AddElement("SelectLang", select_lang);
  doc.AddElement("InstallPath", install_path);
  doc.AddElement("AgreeExtInstall", agree_ext_install);
  doc.AddElement("TmpPackagePath", tmp_package_path);
  doc.OutOfElement();
  // Written beside and renamed, so that a crash never leaves half a file.
  std::string temp = file_ + ".tmp";
  if (XmlDocument::WriteTextFile(temp, doc.GetDocument(), nullptr))
    rename(temp.c_str(), file_.c_str());
  else
    unlink(temp.c_str());
}

void RunState::DeleteRunConfig() {
  resumed_ = false;
  if (!fork_mode_ && !file_.empty())
    unlink(file_.c_str());
}
