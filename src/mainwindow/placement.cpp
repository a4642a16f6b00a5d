#include "mainwindow/placement.h"

#include <algorithm>

namespace tabulon {

Placement FitToArea(Placement p, const ScreenArea& area) {
  if (area.width <= 0 || area.height <= 0) return p;
  p.width = std::clamp(p.width, 0, area.width);
  p.height = std::clamp(p.height, 0, area.height);
  p.left = std::clamp(p.left, area.left, area.left + area.width - p.width);
  p.top = std::clamp(p.top, area.top, area.top + area.height - p.height);
  return p;
}

}  // namespace tabulon
