#pragma once
#include <string>

namespace tabulon {

// Where the main window reports the pages its tabs show, for the history.
// browser: the number of the tab's browser control, so that the reports of
// one load (its start and its end) count as one visit.
class HistorySink {
 public:
  virtual ~HistorySink() = default;
  // A tab's page has committed to an address.
  virtual void PageVisited(int browser, const std::string& address) = 0;
  // The page at an address has a title now.
  virtual void PageTitled(int browser, const std::string& address, const std::string& title) = 0;
};

}  // namespace tabulon
