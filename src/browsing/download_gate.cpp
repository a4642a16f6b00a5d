#include "browsing/download_gate.h"

namespace tabulon {

DownloadGate::Verdict DownloadGate::Arrived(std::int64_t now_us, std::int64_t gesture_us,
                                            bool typed) {
  if (refused_) return Verdict::kRefuse;
  const bool gesture = gesture_us != 0 && gesture_us != used_gesture_us_ &&
                       now_us - gesture_us < kGestureMicroseconds;
  const bool spaced =
      typed || last_download_us_ == 0 || now_us - last_download_us_ >= kSpacingMicroseconds;
  if (holding_ || !gesture || !spaced) {
    holding_ = true;
    return Verdict::kHold;
  }
  // One download per action of the user's.
  used_gesture_us_ = gesture_us;
  last_download_us_ = now_us;
  return Verdict::kAsk;
}

}  // namespace tabulon
