// The run-state file "QEL_DOWNTASK_<ProductID>.xml": the user's choices and
// whether a download had begun, so that the next start resumes.
#ifndef QEL_APP_RUN_STATE_H_
#define QEL_APP_RUN_STATE_H_

#include <string>

class RunState {
 public:
  // The file (empty: none) and whether this process is a fork-mode child,
  // which reads the file but never writes or deletes it.
  void Configure(std::string file, bool fork_mode);

  // Reads the file into the fields; missing, empty or malformed files leave
  // them as they are. Sets the resumed flag from Status.
  void ReadRunConfig();
  // Writes the fields, replacing the file (outside fork mode).
  void WriteRunConfig();
  // Clears the resumed flag and deletes the file (outside fork mode).
  void DeleteRunConfig();

  // The selected language, as fork mode's HostLang sets it.
  void SetSelectLang(const std::string& lang);

  bool resumed() const { return resumed_; }
  const std::string& file() const { return file_; }

  std::string status = "0";
  std::string join_exp;
  std::string select_lang;
  std::string install_path;  // ends with "/" after reading
  std::string agree_ext_install = "1";
  std::string tmp_package_path;

 private:
  std::string file_;
  bool fork_mode_ = false;
  bool resumed_ = false;
};

#endif  // QEL_APP_RUN_STATE_H_
