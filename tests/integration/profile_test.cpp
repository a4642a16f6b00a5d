// One browser per profile, and the tabs of unclean ends, with the real
// program started as a desktop starts it.
#include <signal.h>

#include <chrono>
#include <filesystem>

#include "browsing/saved_session.h"
#include "harness.h"
#include "settings/file_io.h"

namespace tabulon::integration {
namespace {

// Runs a later start of the browser to its end; its exit status, or -1.
int RunLaterStart(const std::string& address, const std::string& home, double& seconds) {
  std::vector<std::string> env = BrowserProcess::Environment(home, {});
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const std::string program = BrowserProcess::Program();
  const char* argv[] = {program.c_str(), address.c_str(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  gint status = 0;
  const bool ran =
      g_spawn_sync(nullptr, const_cast<gchar**>(argv), envp.data(), G_SPAWN_STDOUT_TO_DEV_NULL,
                   nullptr, nullptr, nullptr, nullptr, &status, nullptr);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return ran && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Addresses(const std::string& path) {
  std::string bytes;
  std::vector<std::string> addresses;
  if (!ReadWholeFile(path, bytes).ok()) return addresses;
  if (const std::optional<SavedSession> session = DecodeSession(bytes)) {
    for (const SavedTab& tab : session->tabs) addresses.push_back(tab.address);
  }
  return addresses;
}

class OneBrowserPerProfile : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string home = TempFolder();
  std::string data = home + "/XDG_DATA_HOME/tabulon";
  void SetUp() override {
    for (const char* page : {"a", "b", "c", "d"}) {
      server.Serve(std::string("/") + page, std::string("<title>") + page + "</title>" + page);
    }
  }
};

TEST_F(OneBrowserPerProfile, ALaterStartBecomesATabOfTheRunningWindowAndAnotherProfileItsOwn) {
  BrowserProcess first(server.Url("/a"), home);
  ASSERT_TRUE(WaitForWindow(first, "a - Tabulon - ")) << first.Errors();
  double seconds = 0;
  EXPECT_EQ(RunLaterStart(server.Url("/b"), home, seconds), 0);
  EXPECT_LT(seconds, 5.0);  // measured far below a second; the bound only catches a hang
  // The same window, its new tab shown.
  EXPECT_TRUE(WaitForWindow(first, "b - Tabulon - ")) << first.Errors();
  EXPECT_FALSE(WindowShown("a - Tabulon - "));
  EXPECT_TRUE(PumpUntil([&] { return Addresses(data + "/session").size() == 2; }));

  BrowserProcess other(server.Url("/c"), TempFolder());
  EXPECT_TRUE(WaitForWindow(other, "c - Tabulon - ")) << other.Errors();
  EXPECT_TRUE(WindowShown("b - Tabulon - "));
}

TEST_F(OneBrowserPerProfile, KillsInARowStillOfferTheFirstRunsTabs) {
  {
    BrowserProcess first(server.Url("/a"), home);
    ASSERT_TRUE(WaitForWindow(first, "a - Tabulon - ")) << first.Errors();
    double seconds = 0;
    ASSERT_EQ(RunLaterStart(server.Url("/b"), home, seconds), 0);
    ASSERT_TRUE(PumpUntil([&] { return Addresses(data + "/session").size() == 2; }));
    first.Kill(SIGKILL);
  }
  for (const char* page : {"/c", "/d"}) {
    // Killed as soon as the window shows, before it has saved anything.
    BrowserProcess again(server.Url(page), home);
    ASSERT_TRUE(WaitForWindow(again, std::string(page + 1) + " - Tabulon - ")) << again.Errors();
    again.Kill(SIGKILL);
  }
  // Those of the runs killed at once too, when they had saved them.
  const std::vector<std::string> offered = Addresses(data + "/session.previous");
  ASSERT_GE(offered.size(), 2u);
  EXPECT_EQ(offered[0], server.Url("/a"));
  EXPECT_EQ(offered[1], server.Url("/b"));

  BrowserRun run(home + "/XDG_CONFIG_HOME", "", "", data);
  ASSERT_TRUE(PumpUntil([&] { return FindButton(run.toolkit->Window(), "タブを復元"); }));
  FindButton(run.toolkit->Window(), "タブを復元")->clicked();
  ASSERT_GE(run.state.TabCount, 3);
  EXPECT_EQ(run.main().lblTab(2).Caption(), "a");
  EXPECT_EQ(run.main().lblTab(3).Caption(), "b");
  EXPECT_FALSE(std::filesystem::exists(data + "/session.previous"));
  run.app->Finish();
}

}  // namespace
}  // namespace tabulon::integration
