#include <dirent.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "browsing/internet_settings.h"
#include "gtk/webkit/webkit_browser.h"
#include "harness.h"
#include "settings/basqks_api.h"

namespace tabulon::integration {
namespace {

// The build folder, where the browser and the options program sit side by
// side; the tests run from a folder inside it.
std::string BuildFolder() {
  const std::string tests = ExecutableFolder();
  return tests.substr(0, tests.rfind('/'));
}

std::string ReadProcFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// The process running `program` with `marker` among its environment
// variables, or 0.
pid_t FindProcess(const std::string& program, const std::string& marker) {
  char resolved[PATH_MAX];
  if (!realpath(program.c_str(), resolved)) return 0;
  pid_t found = 0;
  DIR* proc = opendir("/proc");
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    const pid_t pid = static_cast<pid_t>(atoi(entry->d_name));
    if (pid <= 0) continue;
    const std::string base = std::string("/proc/") + entry->d_name;
    char exe[PATH_MAX];
    const ssize_t n = readlink((base + "/exe").c_str(), exe, sizeof exe - 1);
    if (n <= 0 || std::string(exe, static_cast<size_t>(n)) != resolved) continue;
    const std::string environment = '\0' + ReadProcFile(base + "/environ");
    if (environment.find('\0' + marker + '\0') != std::string::npos) found = pid;
  }
  if (proc) closedir(proc);
  return found;
}

// An environment variable set for one test, put back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

class OptionsAndBrowser : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string config = TempFolder();
  // What the options program writes, through a store object of its own.
  FileSettingsStore options_store{config};
  void SetUp() override {
    server.Serve("/start.html", "<html><head><title>start</title></head><body>s</body></html>");
    server.Serve("/home1.html", "<html><head><title>home one</title></head><body>1</body></html>");
    server.Serve("/home2.html", "<html><head><title>home two</title></head><body>2</body></html>");
  }
  void StoreHome(const std::string& home) {
    ASSERT_TRUE(SaveInternetSettings(options_store, {home, kDefaultSearchAddress, ""}).ok());
  }
};

TEST_F(OptionsAndBrowser, OptionsProgramStartsAsItsOwnProcessFromBesideTheBrowser) {
  // The options program finds the store through this variable; a folder of
  // the test's own also tells its process apart from any other.
  ScopedEnv env("XDG_CONFIG_HOME", config);
  BrowserRun run(config, server.Url("/start.html"), BuildFolder());
  ASSERT_TRUE(run.WaitForCaption("start - Tabulon - "));
  run.main().MnuOpt_Click();
  const std::string program = BuildFolder() + "/tabulon-options";
  pid_t pid = 0;
  ASSERT_TRUE(
      PumpUntil([&] { return (pid = FindProcess(program, "XDG_CONFIG_HOME=" + config)); }, 10000))
      << program << " did not start";
  EXPECT_NE(pid, getpid());
  // It stays up with its window, and the browser went on without waiting.
  const std::string window =
      "xdotool search --onlyvisible --pid " + std::to_string(pid) + " >/dev/null 2>&1";
  EXPECT_TRUE(
      PumpUntil([&] { return kill(pid, 0) == 0 && std::system(window.c_str()) == 0; }, 10000))
      << "the options program showed no window";
  EXPECT_EQ(kill(pid, 0), 0) << "the options program ended by itself";
  EXPECT_EQ(run.main().brwPage(1).LocationURL(), server.Url("/start.html"));
  kill(pid, SIGTERM);
}

TEST_F(OptionsAndBrowser, HomeShowsTheHomePageStoredWhileTheBrowserRuns) {
  BrowserRun run(config, server.Url("/start.html"));
  ASSERT_TRUE(run.WaitForCaption("start - Tabulon - "));
  StoreHome(server.Url("/home1.html"));
  run.main().m_menu_Click(5);
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "home one"; }));
  EXPECT_EQ(run.main().brwPage(2).LocationURL(), server.Url("/home1.html"));
  // Changed again, no restart: the next Home follows.
  StoreHome(server.Url("/home2.html"));
  run.main().m_menu_Click(5);
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 3; }));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(3).Caption() == "home two"; }));
  EXPECT_EQ(run.main().brwPage(3).LocationURL(), server.Url("/home2.html"));
  EXPECT_TRUE(run.boxes.shown.empty());
}

TEST_F(OptionsAndBrowser, FirstTabOfAPlainStartShowsTheStoredHomePage) {
  StoreHome(server.Url("/home1.html"));
  BrowserRun run(config);
  ASSERT_TRUE(run.WaitForCaption("home one - Tabulon - "));
}

TEST_F(OptionsAndBrowser, SearchPageSendsTheEncodedQueryToTheStoredSearchAddress) {
  server.Serve("/find", "<html><head><title>found</title></head><body>f</body></html>");
  ASSERT_TRUE(
      SaveInternetSettings(options_store, {kHomeUrl, server.Url("/find?lang=ja&q=%s&x=1"), ""})
          .ok());
  BrowserRun run(config, server.Url("/start.html"));
  ASSERT_TRUE(run.WaitForCaption("start - Tabulon - "));
  run.main().m_menu_Click(6);
  ASSERT_TRUE(run.WaitForCaption("検索 - Tabulon - Tabulon - "));
  auto* view = static_cast<gtk::WebKitBrowser&>(run.main().brwPage(1)).View();
  webkit_web_view_evaluate_javascript(view,
                                      "document.getElementById('query').value='日本 語&x=2#';"
                                      "document.getElementById('search').requestSubmit();",
                                      -1, nullptr, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(run.WaitForCaption("found - Tabulon - "));
  EXPECT_EQ(run.main().brwPage(1).LocationURL(),
            server.Url("/find?lang=ja&q=%E6%97%A5%E6%9C%AC%20%E8%AA%9E%26x%3D2%23&x=1"));
}

TEST_F(OptionsAndBrowser, StoredEncodingDecodesPagesThatDeclareNone) {
  // "日本語" in Shift_JIS, served without a charset anywhere.
  server.Serve("/sjis.html", "<html><head><title>\x93\xfa\x96\x7b\x8c\xea</title></head></html>",
               "text/html");
  ASSERT_TRUE(
      SaveInternetSettings(options_store, {kHomeUrl, kDefaultSearchAddress, "Shift_JIS"}).ok());
  BrowserRun run(config, server.Url("/sjis.html"));
  ASSERT_TRUE(run.WaitForCaption("日本語 - Tabulon - "));
  // A change takes effect at the next load, without a restart. (The bytes of
  // an undeclared page may still be detected as what they are; the stored
  // encoding is what the engine starts from.)
  ASSERT_TRUE(
      SaveInternetSettings(options_store, {kHomeUrl, kDefaultSearchAddress, "EUC-JP"}).ok());
  run.main().brwPage(1).Refresh2();
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/sjis.html") >= 2; }));
  WebKitWebView* view = static_cast<gtk::WebKitBrowser&>(run.main().brwPage(1)).View();
  EXPECT_STREQ(webkit_settings_get_default_charset(webkit_web_view_get_settings(view)), "EUC-JP");
}

}  // namespace
}  // namespace tabulon::integration
