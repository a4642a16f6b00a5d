#pragma once
#include <string>
#include <vector>

#include "platform/history_sink.h"
#include "platform/history_toolkit.h"

namespace tabulon::testing {

// Records what the main window reports, one line per report.
class FakeHistorySink final : public HistorySink {
 public:
  std::vector<std::string> reports;
  void PageVisited(int browser, const std::string& address) override {
    reports.push_back("visit " + std::to_string(browser) + " " + address);
  }
  void PageTitled(int browser, const std::string& address, const std::string& title) override {
    reports.push_back("title " + std::to_string(browser) + " " + address + " " + title);
  }
};

// Stands in for the history window: keeps what it was last given to show.
class FakeHistoryToolkit final : public HistoryToolkit {
 public:
  HistoryInput* input = nullptr;
  int shows = 0;
  int show_days = 0;
  std::vector<HistoryDay> days;
  bool more = false;

  void Attach(HistoryInput& attached) override { input = &attached; }
  void ShowWindow() override { ++shows; }
  void ShowDays(const std::vector<HistoryDay>& shown, bool more_found) override {
    days = shown;
    more = more_found;
    ++show_days;
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const HistoryDay& day : days) {
      for (const HistoryLine& line : day.lines) titles.push_back(line.title);
    }
    return titles;
  }
};

}  // namespace tabulon::testing
