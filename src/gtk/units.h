#pragma once
#include <cstdint>
#include <limits>

namespace tabulon::gtk {

inline constexpr std::int64_t kTwipsPerPixel = 15;

// Twips to logical pixels, rounded half away from zero, in 64-bit arithmetic.
// The one place where the program's units meet the toolkit's.
inline int TwipsToPixels(std::int64_t twips) {
  std::int64_t magnitude = (twips < 0 ? -twips : twips) * 2 + kTwipsPerPixel;
  std::int64_t px = magnitude / (2 * kTwipsPerPixel);
  return static_cast<int>(twips < 0 ? -px : px);
}

inline int PixelsToTwips(std::int64_t pixels) {
  std::int64_t twips = pixels * kTwipsPerPixel;
  if (twips > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (twips < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(twips);
}

}  // namespace tabulon::gtk
