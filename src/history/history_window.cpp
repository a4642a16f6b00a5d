#include "history/history_window.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

namespace tabulon {

namespace {

std::tm LocalTime(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) local = std::tm{};
  return local;
}

int DayKey(const std::tm& t) {
  return (t.tm_year + 1900) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
}

std::string DayCaption(const std::tm& day, int today, int yesterday) {
  const int key = DayKey(day);
  if (key == today) return "今日";
  if (key == yesterday) return "昨日";
  static const char* const kWeekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
  const int weekday = day.tm_wday >= 0 && day.tm_wday < 7 ? day.tm_wday : 0;
  return std::to_string(day.tm_year + 1900) + "年" + std::to_string(day.tm_mon + 1) + "月" +
         std::to_string(day.tm_mday) + "日 (" + kWeekdays[weekday] + ")";
}

}  // namespace

std::vector<HistoryDay> HistoryDays(const std::vector<HistoryEntry>& entries, std::int64_t now) {
  const std::tm today = LocalTime(now);
  std::tm midnight = today;
  midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
  midnight.tm_isdst = -1;
  const int yesterday = DayKey(LocalTime(static_cast<std::int64_t>(std::mktime(&midnight)) - 1));

  std::vector<HistoryDay> days;
  int current = -1;
  for (const HistoryEntry& entry : entries) {
    const std::tm visited = LocalTime(entry.last_visit);
    if (days.empty() || DayKey(visited) != current) {
      current = DayKey(visited);
      days.push_back({DayCaption(visited, DayKey(today), yesterday), {}});
    }
    char time[8];
    std::snprintf(time, sizeof time, "%02d:%02d", visited.tm_hour % 100, visited.tm_min % 100);
    const std::string shown = CutText(entry.address, kHistoryShownChars);
    days.back().lines.push_back(
        {time, entry.title.empty() ? shown : CutText(entry.title, kHistoryShownChars), shown,
         entry.address});
  }
  return days;
}

HistoryWindow::HistoryWindow(HistoryToolkit& toolkit, HistoryStore& store, OpenInNewTab open,
                             HistoryStore::Clock now)
    : toolkit_(toolkit), store_(store), open_(std::move(open)), now_(std::move(now)) {
  if (!now_) {
    now_ = [] {
      return std::chrono::duration_cast<std::chrono::seconds>(
                 std::chrono::system_clock::now().time_since_epoch())
          .count();
    };
  }
  toolkit_.Attach(*this);
}

void HistoryWindow::Show() {
  Refresh();
  toolkit_.ShowWindow();
}

void HistoryWindow::Refresh() {
  std::vector<HistoryEntry> entries = store_.List(search_, kHistoryListedPages + 1);
  const bool more = entries.size() > kHistoryListedPages;
  if (more) entries.pop_back();
  std::vector<HistoryDay> days = HistoryDays(entries, now_());
  if (ever_shown_ && days == shown_ && more == shown_more_) return;
  shown_ = std::move(days);
  shown_more_ = more;
  ever_shown_ = true;
  toolkit_.ShowDays(shown_, more);
}

void HistoryWindow::WindowFocused() { Refresh(); }

void HistoryWindow::SearchChanged(const std::string& text) {
  if (text == search_) return;
  search_ = text;
  Refresh();
}

void HistoryWindow::DeleteClicked(const std::vector<std::string>& addresses) {
  if (addresses.empty()) return;
  store_.Remove(addresses);
  Refresh();
}

void HistoryWindow::Activated(const std::string& address) {
  if (!address.empty() && open_) open_(address);
}

}  // namespace tabulon
