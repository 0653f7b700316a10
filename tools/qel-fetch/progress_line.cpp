#include "progress_line.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "engine/download_status.h"

std::string FormatBytes(int64_t bytes) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(std::max<int64_t>(bytes, 0));
  int unit = 0;
  while (value >= 1024 && unit < 4) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  if (unit == 0)
    snprintf(text, sizeof(text), "%" PRId64 " B", std::max<int64_t>(bytes, 0));
  else
    snprintf(text, sizeof(text), "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string FormatDuration(int64_t seconds) {
  if (seconds < 0)
    return "--:--";
  char text[32];
  if (seconds >= 3600) {
    snprintf(text, sizeof(text), "%" PRId64 ":%02d:%02d", seconds / 3600,
             static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  } else {
    snprintf(text, sizeof(text), "%d:%02d", static_cast<int>(seconds / 60),
             static_cast<int>(seconds % 60));
  }
  return text;
}

std::string ProgressLine(int64_t downloaded, int64_t total, int64_t speed, int columns) {
  columns = std::max(columns, 20);
  if (total <= 0)
    return std::string("connecting ...").substr(0, static_cast<size_t>(columns - 1));
  downloaded = std::clamp<int64_t>(downloaded, 0, total);
  int percent = static_cast<int>(downloaded * 100 / total);
  int64_t left = speed > 0 ? (total - downloaded + speed - 1) / speed : -1;
  std::string tail = " " + FormatBytes(downloaded) + " / " + FormatBytes(total) + "  " +
                     FormatBytes(speed) + "/s  ETA " + FormatDuration(left);
  char head[8];
  snprintf(head, sizeof(head), "%3d%% ", percent);
  // The bar takes what the texts leave, between 10 and 50 cells.
  int room = columns - 1 - static_cast<int>(std::string(head).size() + tail.size()) - 2;
  std::string line = head;
  if (room >= 10) {
    int cells = std::min(room, 50);
    int filled = static_cast<int>(downloaded * cells / total);
    line += "[" + std::string(static_cast<size_t>(filled), '#') +
            std::string(static_cast<size_t>(cells - filled), ' ') + "]";
  }
  line += tail;
  if (static_cast<int>(line.size()) > columns - 1)
    line.resize(static_cast<size_t>(columns - 1));
  return line;
}

std::string SummaryLine(int status, int64_t size, double seconds, int64_t speed) {
  const char* text = ns_Drav::DownloadErrorText(status);
  char line[256];
  snprintf(line, sizeof(line), "status %d (%s), %" PRId64 " bytes (%s) in %.2f s, %s/s", status,
           *text ? text : "Success", size, FormatBytes(size).c_str(), seconds,
           FormatBytes(speed).c_str());
  return line;
}
