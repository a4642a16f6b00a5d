#include "browsing/page_features.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace tabulon {

namespace {

// Longest file name most Linux file systems take, in bytes.
constexpr std::size_t kMaxNameBytes = 255;

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The start of the UTF-8 character that byte index i is part of.
std::size_t CharacterStart(const std::string& s, std::size_t i) {
  while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  return i;
}

// Cuts a name to the byte limit on a character boundary, keeping a short
// extension so the file still opens with the right program.
std::string Shorten(const std::string& name) {
  if (name.size() <= kMaxNameBytes) return name;
  std::string ext;
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0 && name.size() - dot <= 16) ext = name.substr(dot);
  std::size_t keep = CharacterStart(name, kMaxNameBytes - ext.size());
  return name.substr(0, keep) + ext;
}

const std::string& Trimmed(std::string& s) {
  // Leading dots would hide the file (and "." / ".." name the folders);
  // spaces at either end are invisible in the save dialog.
  std::size_t first = s.find_first_not_of(". ");
  if (first == std::string::npos) {
    s.clear();
    return s;
  }
  std::size_t last = s.find_last_not_of(' ');
  s = s.substr(first, last - first + 1);
  return s;
}

}  // namespace

std::string SafeDownloadName(const std::string& suggested) {
  // Only the last component of a path-like suggestion is a name.
  std::size_t cut = suggested.find_last_of("/\\");
  std::string base = cut == std::string::npos ? suggested : suggested.substr(cut + 1);
  std::string name;
  name.reserve(base.size());
  for (char c : base) {
    if (!IsControl(static_cast<unsigned char>(c))) name += c;
  }
  Trimmed(name);
  if (name.empty()) return kDefaultDownloadName;
  return Shorten(name);
}

double ZoomIn(double level) {
  for (double step : kZoomSteps) {
    if (step > level + 1e-6) return step;
  }
  return std::max(level, *std::prev(std::end(kZoomSteps)));
}

double ZoomOut(double level) {
  for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it) {
    if (*it < level - 1e-6) return *it;
  }
  return std::min(level, kZoomSteps[0]);
}

std::string ZoomText(double level) {
  return "拡大率: " + std::to_string(static_cast<long>(std::lround(level * 100.0))) + "%";
}

std::string FindCountText(unsigned count, unsigned max_counted) {
  if (count == 0) return "見つかりません";
  if (count > max_counted) return std::to_string(max_counted) + " 件以上";
  return std::to_string(count) + " 件";
}

std::string DownloadStartedText(const std::string& name) { return "ダウンロード中: " + name; }
std::string DownloadDoneText(const std::string& name) { return "ダウンロード完了: " + name; }
std::string DownloadFailedText(const std::string& name) { return "ダウンロード失敗: " + name; }
std::string DownloadCancelledText(const std::string& name) { return "ダウンロード中止: " + name; }

}  // namespace tabulon
