#pragma once
#include <cstdint>

namespace tabulon {

// Which downloads a page may start without asking. One that follows the
// user's click or key on the page (or the user's own navigation) goes on to
// the save dialog; one without, or a second within a few seconds, is held
// until the user allows or refuses the page's downloads. Refused, the
// page's further downloads are dropped until it is navigated.
class DownloadGate {
 public:
  enum class Verdict { kAsk, kHold, kRefuse };
  static constexpr std::int64_t kGestureMicroseconds = 10'000'000;
  static constexpr std::int64_t kSpacingMicroseconds = 5'000'000;

  // A download from the page at now_us; gesture_us: the user's last action
  // on it, 0 for none. typed: that action was an address the user gave the
  // tab (the URL box, a favourite), which asks for this very download and
  // so needs no spacing from the one before.
  Verdict Arrived(std::int64_t now_us, std::int64_t gesture_us, bool typed = false);
  // The user's answer for the held downloads.
  void Allow() { holding_ = false; }
  void Refuse() {
    holding_ = false;
    refused_ = true;
  }
  bool Holding() const { return holding_; }
  void PageNavigated() { refused_ = false; }

 private:
  std::int64_t last_download_us_ = 0;
  std::int64_t used_gesture_us_ = 0;
  bool holding_ = false;
  bool refused_ = false;
};

inline constexpr const char* kManyDownloadsQuestion =
    "このページが複数のファイルをダウンロードしようとしています";

}  // namespace tabulon
