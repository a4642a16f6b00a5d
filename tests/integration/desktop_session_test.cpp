#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "harness.h"
#include "settings/basqks_api.h"

namespace tabulon::integration {
namespace {

// Whether a window with exactly this caption is shown on the display.
bool WindowShown(const std::string& caption) {
  const std::string pattern = "^" + caption + "$";
  const char* argv[] = {"xdotool", "search", "--onlyvisible", "--name", pattern.c_str(), nullptr};
  gchar* out = nullptr;
  gint status = 0;
  const bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH,
                                nullptr, nullptr, &out, nullptr, &status, nullptr);
  const bool found = ran && out && *out;
  g_free(out);
  return found;
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The real browser program, started as its own process as a desktop would.
class BrowserProcess {
 public:
  BrowserProcess(const std::string& address, const std::string& bus_variable) {
    const std::string home = TempFolder();
    log_ = home + "/stderr.txt";
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      if (std::string(*e).rfind("AT_SPI_BUS_ADDRESS=", 0) != 0) env.push_back(*e);
    }
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
      env.push_back(std::string(name) + "=" + home + "/" + name);
    }
    if (!bus_variable.empty()) env.push_back("AT_SPI_BUS_ADDRESS=" + bus_variable);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string tests = ExecutableFolder();
    const std::string program = tests.substr(0, tests.rfind('/')) + "/tabulon";
    const std::string shell = "exec \"$0\" \"$1\" 2>\"$2\"";
    const char* argv[] = {"/bin/sh",       "-c",         shell.c_str(), program.c_str(),
                          address.c_str(), log_.c_str(), nullptr};
    started_ = g_spawn_async(nullptr, const_cast<gchar**>(argv), envp.data(),
                             G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid_, nullptr);
  }
  ~BrowserProcess() {
    if (!started_) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    g_spawn_close_pid(pid_);
  }
  bool Started() const { return started_; }
  bool Running() const { return started_ && waitpid(pid_, nullptr, WNOHANG) == 0; }
  std::string Errors() const { return ReadAll(log_); }

 private:
  std::string log_;
  GPid pid_ = 0;
  bool started_ = false;
};

bool WaitForWindow(const BrowserProcess& browser, const std::string& caption) {
  auto next = std::chrono::steady_clock::now();
  return PumpUntil(
             [&] {
               if (!browser.Running()) return true;
               if (std::chrono::steady_clock::now() < next) return false;
               next = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
               return WindowShown(caption);
             },
             30000) &&
         browser.Running();
}

void SetDisplayBus(const std::string& address) {
  const std::string command = "xprop -root -f AT_SPI_BUS 8s -set AT_SPI_BUS '" + address + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A desktop session that ended leaves its accessibility bus address behind,
// in the environment or on the display: the browser still shows the page.
class StaleAccessibilityBus : public ::testing::TestWithParam<bool> {
 protected:
  LoopbackServer server;
  const std::string stale = "unix:path=" + TempFolder() + "/gone/bus,guid=0123";
};

TEST_P(StaleAccessibilityBus, TheBrowserShowsThePageAndSaysWhyPagesGoWithoutIt) {
  const bool on_display = GetParam();
  server.Serve("/page.html", "<html><head><title>ページ表示</title></head><body>x</body></html>");
  if (on_display) SetDisplayBus(stale);
  BrowserProcess browser(server.Url("/page.html"), on_display ? "" : stale);
  ASSERT_TRUE(browser.Started());
  EXPECT_TRUE(WaitForWindow(browser, "ページ表示 - Tabulon - "))
      << "no window showing the page; the browser said:\n"
      << browser.Errors();
  EXPECT_NE(browser.Errors().find("pages run without accessibility"), std::string::npos)
      << browser.Errors();
}

INSTANTIATE_TEST_SUITE_P(Address, StaleAccessibilityBus, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "OnTheDisplay" : "InTheEnvironment");
                         });

}  // namespace
}  // namespace tabulon::integration
