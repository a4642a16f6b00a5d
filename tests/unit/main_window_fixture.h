#pragma once
#include <gtest/gtest.h>

#include "app/application.h"
#include "fakes/fakes.h"

namespace tabulon::testing {

// A started program: the main window built on fakes, no settings file.
class MainWindowTest : public ::testing::Test {
 protected:
  AppState state;
  FakeToolkit toolkit;
  FakeSettingsStore store;
  FakeMessageBoxes boxes;
  FakeClipboard clipboard;
  FakeProcessStarter processes;
  Application app{state, toolkit, {store, boxes, clipboard, processes}, "/nonexistent/tabulon"};

  void Start(const std::string& command_line = "") {
    state.CommandLine = command_line;
    app.Main();
  }
  frmMain& main() { return app.MainWindow(); }
  // Opens blank tabs until n are open.
  void OpenTabsUntil(int n) {
    while (state.TabCount < n) main().NewTab();
  }
  FakeBrowser& BrowserAt(int position) {
    return static_cast<FakeBrowser&>(main().BrowserOfTab(position));
  }
  void SwitchTo(int position) { main().lblTab_Click(position); }
  bool IsCurrentLook(int position) {
    const Control& label = main().lblTab(position);
    return label.BackColor() == kCurrentTabColour && label.FontBold();
  }
};

}  // namespace tabulon::testing
