#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/downloads_toolkit.h"

namespace tabulon::testing {

// Stands in for the downloads window and the engine's downloads: records
// what is shown, asked, opened and cancelled; answers as the test says.
class FakeDownloadsToolkit final : public DownloadsToolkit, public DownloadControl {
 public:
  std::map<int, DownloadRow> rows;
  int shows = 0;
  int row_updates = 0;
  bool answer_yes = true;
  std::vector<std::string> questions, messages, opened;
  bool open_succeeds = true;
  std::vector<int> cancelled;
  int cancel_all_calls = 0;

  void Attach(DownloadsInput&) override {}
  void ShowWindow() override { ++shows; }
  void ShowRow(int id, const DownloadRow& row) override {
    rows[id] = row;
    ++row_updates;
  }
  bool AskYesNo(const std::string& text, const std::string&) override {
    questions.push_back(text);
    return answer_yes;
  }
  void ShowMessage(const std::string& text, const std::string&) override {
    messages.push_back(text);
  }
  bool OpenWithDesktop(const std::string& path) override {
    opened.push_back(path);
    return open_succeeds;
  }
  void Cancel(int id) override { cancelled.push_back(id); }
  void CancelAll() override { ++cancel_all_calls; }
};

}  // namespace tabulon::testing
