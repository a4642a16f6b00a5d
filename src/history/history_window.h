#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "history/history_store.h"
#include "platform/history_toolkit.h"

namespace tabulon {

inline constexpr const char* kHistoryCaption = "履歴";
// Titles and addresses longer than this are cut for the window.
inline constexpr std::size_t kHistoryShownChars = 300;
// The window lists this many pages at most, the newest: a list of a
// hundred thousand would take the toolkit seconds at every key typed.
inline constexpr std::size_t kHistoryListedPages = 1000;

// The entries in the days of local time they were last visited, newest day
// first, as the window lists them. Untitled pages show their address.
std::vector<HistoryDay> HistoryDays(const std::vector<HistoryEntry>& entries, std::int64_t now);

// The history window: the visited pages by day, filtered as the user types,
// deleted or opened in a new tab. Toolkit-free: the toolkit shows the days
// it is given.
class HistoryWindow final : public HistoryInput {
 public:
  using OpenInNewTab = std::function<void(const std::string&)>;
  HistoryWindow(HistoryToolkit& toolkit, HistoryStore& store, OpenInNewTab open,
                HistoryStore::Clock now = nullptr);
  HistoryWindow(const HistoryWindow&) = delete;
  HistoryWindow& operator=(const HistoryWindow&) = delete;

  // Ctrl+H and the settings menu's item: shows the history as it is now.
  void Show();

  void SearchChanged(const std::string& text) override;
  void DeleteClicked(const std::vector<std::string>& addresses) override;
  void Activated(const std::string& address) override;
  void WindowFocused() override;

 private:
  // Shows the history as it is now, unless the window shows just that: the
  // user's selection stays.
  void Refresh();

  HistoryToolkit& toolkit_;
  HistoryStore& store_;
  OpenInNewTab open_;
  HistoryStore::Clock now_;
  std::string search_;
  std::vector<HistoryDay> shown_;
  bool shown_more_ = false;
  bool ever_shown_ = false;
};

}  // namespace tabulon
