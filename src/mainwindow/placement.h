#pragma once
#include "platform/toolkit.h"

namespace tabulon {

struct Placement {
  int left = 0, top = 0, width = 0, height = 0;  // twips, outer frame
};

// Fits a stored placement onto the visible desktop so the window never opens
// off-screen: too large a window shrinks to the area, then it is moved inside.
// An empty area (unknown) leaves the placement as it is.
Placement FitToArea(Placement p, const ScreenArea& area);

}  // namespace tabulon
