#include "fetch_options.h"

#include <cerrno>
#include <cstdlib>

namespace {

// A whole decimal number within [low, high].
bool ParseCount(const std::string& text, long low, long high, int32_t* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+')
    return false;
  errno = 0;
  char* end = nullptr;
  long parsed = strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high)
    return false;
  *value = static_cast<int32_t>(parsed);
  return true;
}

}  // namespace

bool ParseFetchOptions(const std::vector<std::string>& args,
                       FetchOptions* options,
                       std::string* error) {
  std::vector<std::string> positional;
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (options_end || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    std::string value;
    bool inline_value = false;
    size_t equals = arg.find('=');
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
      inline_value = true;
    }
    if (arg == "--help" || arg == "--quiet") {
      if (inline_value) {
        *error = arg + " takes no value";
        return false;
      }
      (arg == "--help" ? options->help : options->quiet) = true;
      continue;
    }
    if (arg != "--md5" && arg != "--segments" && arg != "--concurrency" && arg != "--task-id" &&
        arg != "--log") {
      *error = "unknown option " + arg;
      return false;
    }
    if (!inline_value) {
      if (i + 1 >= args.size()) {
        *error = arg + " needs a value";
        return false;
      }
      value = args[++i];
    }
    if (arg == "--md5") {
      options->md5 = value;
    } else if (arg == "--log") {
      options->logPath = value;
      if (value.empty()) {
        *error = "--log needs a file";
        return false;
      }
    } else if (arg == "--task-id") {
      if (!ParseCount(value, 1, INT32_MAX, &options->taskId)) {
        *error = "--task-id wants a number from 1";
        return false;
      }
    } else {
      int32_t* target = arg == "--segments" ? &options->segments : &options->concurrency;
      if (!ParseCount(value, 0, INT32_MAX, target)) {
        *error = arg + " wants a number (0 for the default)";
        return false;
      }
      options->weakNetwork = true;
    }
  }
  if (options->help)
    return true;
  if (positional.size() != 2) {
    *error = positional.size() < 2 ? "URL and SAVE_DIR are needed" : "too many arguments";
    return false;
  }
  options->url = positional[0];
  options->saveDir = positional[1];
  if (options->url.empty() || options->saveDir.empty()) {
    *error = "URL and SAVE_DIR must not be empty";
    return false;
  }
  return true;
}

std::string FetchUsage() {
  return R"(Usage: qel-fetch [OPTIONS] URL SAVE_DIR

Downloads URL into the folder SAVE_DIR with the installer's download engine:
many parallel range connections, host probing, a resume record, retries,
and a size and MD5 check before the file gets its name.

Options:
  --md5 LIST         accepted MD5 digests of the file, separated by ","
                     (upper or lower case). Without one, only an https://
                     URL is fetched (the verified connection vouches for it).
  --segments N       cut the file into N slices (1 to 4096; 0: 24) ...
  --concurrency N    ... fetched over at most N connections (1 to 64; 0: 24).
                     Either option selects the engine's weak-network mode
                     with these two counts; without them the engine sizes
                     its connections and buffers from free memory.
  --task-id N        the task number (default 1).
  --log FILE         write the engine's log to FILE.
  --quiet            no progress bar, and no summary line on success.
  --help             this text.

On a terminal, standard error shows a progress bar (percent, bytes, speed,
time left). At the end one summary line gives the status code and its text,
the size, the seconds taken and the average speed.

Ctrl-C (SIGINT) or SIGTERM cancels: the partial file "NAME.~P2S" keeps a
resume record, and running the same command again continues from it.

Exit codes: 0 when the file is there (downloaded, or already present with
the right digest); 13 when canceled; 8 for a command line that makes no
command; otherwise the engine's status code:
   2 connection failed       3 receive failed          4 send failed
   5 site information failed 7 buffer error            9 file operation failed
  10 insufficient disk space 11 MD5 verification failed (or no digest
                                for a plain-http URL)   12 file size error
  14 download failed         19 URL error             22 timeout
  23 SSL verification failed 24 DNS resolve failed     25 too many redirects
  26 server closed connection                          27 other error
)";
}

int ExitCodeForStatus(int status) {
  if (status == 0 || status == 1)
    return 0;
  return status;
}
