#pragma once
#include <vector>

namespace tabulon {

// The background tabs whose pages stay painted, drawn where they are not
// seen, so that switching to one shows its page in the very next frame
// instead of a frame or two later, when its engine process has painted it.
// They are the tabs Ctrl+Tab and Ctrl+Shift+Tab go to from the current one;
// the strip wraps around at both ends. Each costs one more page kept drawn
// (its backing store, and its animations keep running), so there are never
// more than two.
//
// current is the current tab's number and count the number of tabs, both
// from 1. The result holds no tab twice and never the current one; it is
// empty when there is no current tab or no other tab.
std::vector<int> NeighbourTabs(int current, int count);

}  // namespace tabulon
