#pragma once
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/browser.h"
#include "platform/services.h"
#include "platform/toolkit.h"
#include "settings/settings_store.h"

namespace tabulon::testing {

// A browser that records what it was asked and keeps a plain history.
class FakeBrowser final : public BrowserControl {
 public:
  explicit FakeBrowser(int index) : index(index) {}
  int index;
  std::vector<std::string> calls;
  std::vector<std::string> history;
  int position = -1;
  std::string title;
  bool refuse_commands = false;
  bool blocking = true;  // whether ads are blocked in its pages

  void Navigate2(const std::string& url) override;
  void GoBack() override;
  void GoForward() override;
  void GoHome() override;
  void GoSearch() override;
  void Refresh2() override;
  void Stop() override;
  std::string LocationURL() const override;
  std::string LocationName() const override { return title; }
  void RunBookmarklet(const std::string& script) override { calls.push_back("Run " + script); }
  // The list as "<position>" and one line per address.
  std::string History() const override;
  bool RestoreHistory(const std::string& saved) override;
  void EndProcess() override { calls.push_back("EndProcess"); }
  void LoadWhenShown(const std::string& url) override {
    calls.push_back("LoadWhenShown " + url);
    Visit(url);
  }
  void SetContentBlocking(bool enabled) override { blocking = enabled; }
  bool discardable = false;  // as the engine would answer for its page
  bool Discardable() const override { return discardable; }
  void Discard() override {
    calls.push_back("Discard");
    discardable = false;
  }
  void AnswerPermission(int request, bool allow) override {
    calls.push_back("AnswerPermission " + std::to_string(request) + (allow ? " allow" : " deny"));
  }

 private:
  void Refuse(const char* what);
  void Visit(const std::string& url);
};

class FakeSettingsStore final : public SettingsStore {
 public:
  std::map<std::string, std::string> values;  // "app/section/key"
  int writes = 0;
  int fail_with = 0;  // an errno value every save then fails with
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& fallback) override;
  IoResult SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& value) override;
};

class FakeMessageBoxes final : public MessageBoxes {
 public:
  std::vector<std::pair<std::string, std::string>> shown;  // text, caption
  void Show(const std::string& text, const std::string& caption) override {
    shown.emplace_back(text, caption);
  }
};

class FakeClipboard final : public Clipboard {
 public:
  std::string text;
  std::string GetText() override { return text; }
  void SetText(const std::string& t) override { text = t; }
};

class FakeProcessStarter final : public ProcessStarter {
 public:
  std::vector<std::string> started;
  bool Start(const std::string& command_line) override {
    started.push_back(command_line);
    return true;
  }
};

// Stands in for the window system: builds no widgets, keeps every browser it
// made, and answers geometry changes as a window manager would, with a frame
// and menu bar taking kFrameWidth x kFrameHeight twips of the outer size.
class FakeToolkit final : public MainWindowToolkit {
 public:
  static constexpr int kFrameWidth = 120;
  static constexpr int kFrameHeight = 750;

  MainWindowInput* input = nullptr;
  Form* form = nullptr;
  std::map<int, FakeBrowser*> browsers;  // live browsers by index
  int browsers_created = 0;
  int popups_shown = 0;
  bool ended = false;
  bool focus_possible = true;
  bool new_browsers_refuse = false;
  ScreenArea work_area{0, 0, 1920 * 15, 1040 * 15};

  void BuildMainWindow(MainWindowControls controls, MainWindowInput& input) override;
  std::unique_ptr<ControlPeer> CreateTabLabel(int index, Control& label) override;
  std::unique_ptr<BrowserControl> CreateBrowser(int index, BrowserEvents& events) override;
  void ShowPopupMenu(MenuItem&) override { ++popups_shown; }
  void ShowMainWindow() override {}
  int presented = 0;
  void PresentMainWindow(const std::string&) override { ++presented; }
  ScreenArea WorkArea() override { return work_area; }
  void EndProgram() override { ended = true; }
  // Tasks waiting to run, and the bar's question and answer, for the tests
  // to look at and to give.
  std::vector<std::function<void()>> later;
  void RunLater(int, std::function<void()> task) override { later.push_back(std::move(task)); }
  void RunLaterTasks() {
    std::vector<std::function<void()>> due;
    due.swap(later);
    for (auto& task : due) task();
  }
  std::string bar_question;  // the latest bar's, "" once it is closed
  std::function<void(bool)> bar_answered;
  int bars = 0;
  int AskInBar(const std::string& question, const std::string&, const std::string&,
               std::function<void(bool)> answered) override {
    bar_question = question;
    bar_answered = std::move(answered);
    return ++bars;
  }
  void CloseBar(int bar) override {
    if (bar == bars) bar_question.clear();
  }

  // The user drags the window to a new outer size.
  void UserResizes(int width, int height);
  void UserMinimizes();
  // Answers a change the program made to the window.
  void WindowSystemAnswers();
  FakeBrowser& Browser(int index);

 private:
  ScreenArea normal_;
  bool was_maximized_ = false;
};

}  // namespace tabulon::testing
