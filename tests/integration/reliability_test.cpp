#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "browsing/crash_page.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

class CrashingPages : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string config = TempFolder();
  void SetUp() override {
    // Every time the page really runs again it says so to the server.
    server.Serve("/one",
                 "<html><head><title>one</title></head><body>1<script>"
                 "fetch('/alive', {cache: 'no-store'});</script></body></html>");
    server.Serve("/alive", "ok");
    server.Serve("/two", "<html><head><title>two</title></head><body>2</body></html>");
  }
};

TEST_F(CrashingPages, KilledProcessReloadsOnceThenTheCrashPageEndsTheLoop) {
  BrowserRun run(config, server.Url("/one"));
  ASSERT_TRUE(run.WaitForCaption("one - Tabulon - "));
  run.main().NewPage(server.Url("/two"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "two"; }));
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/alive") == 1; }));

  std::vector<pid_t> processes = WebProcesses();
  ASSERT_FALSE(processes.empty());
  for (pid_t pid : processes) kill(pid, SIGKILL);
  ASSERT_TRUE(PumpUntil([&] {
    return run.main().StaMsg().PanelText(1) ==
           "ページを表示していたプロセスが停止しました。再読み込みします";
  }));
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/alive") == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(1).Caption() == "one"; }));

  // The same page's process dies again at once: no third load.
  ASSERT_TRUE(PumpUntil([&] { return !WebProcesses().empty(); }));
  // The engine catches a segmentation fault signal once for its own use and
  // passes the next one on, which ends the process as a real fault would.
  const std::vector<pid_t> second = WebProcesses();
  auto all_gone = [&] {
    const std::vector<pid_t> now = WebProcesses();
    for (pid_t pid : second) {
      if (std::find(now.begin(), now.end(), pid) != now.end()) return false;
    }
    return true;
  };
  for (int attempt = 0; attempt < 5 && !all_gone(); ++attempt) {
    for (pid_t pid : second) kill(pid, SIGSEGV);
    PumpUntil(all_gone, 1000);
  }
  ASSERT_TRUE(all_gone()) << "SIGSEGV did not end the web process";
  ASSERT_TRUE(
      PumpUntil([&] { return run.main().brwPage(1).LocationURL().rfind(kCrashUrl, 0) == 0; }));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(1).Caption() == "ページが停止しました"; }));
  EXPECT_EQ(run.main().StaMsg().PanelText(1), "ページがくり返し停止したため、表示を中止しました");

  // The window and the other commands go on working.
  run.main().NewPage(server.Url("/two"));
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 3; }));
  EXPECT_TRUE(PumpUntil([&] { return run.main().lblTab(3).Caption() == "two"; }));
  EXPECT_TRUE(run.boxes.shown.empty());
}

// Proportional set size of this process and its web processes, in kB.
long TotalPssKb() {
  long total = 0;
  std::vector<pid_t> pids = WebProcesses();
  pids.push_back(getpid());
  for (pid_t pid : pids) {
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line)) {
      if (line.rfind("Pss:", 0) == 0) total += std::atol(line.c_str() + 4);
    }
  }
  return total;
}

std::string Describe(BrowserRun& run) {
  std::string text;
  for (int p = 1; p <= run.state.TabCount; ++p) {
    text += "\n tab " + std::to_string(p) + " [" + run.main().lblTab(p).Caption() + "] " +
            run.main().BrowserOfTab(p).LocationURL();
  }
  return text;
}

// Ten tabs opened on the page, all loaded, then closed one by one from the
// last, as a user does.
void OpenAndCloseTenTabs(BrowserRun& run, const std::string& url, int batch) {
  for (int i = 0; i < 10; ++i) run.main().NewPage(url);
  // A new process per batch for another site: on a busy machine its start
  // alone may take seconds.
  ASSERT_TRUE(PumpUntil(
      [&] {
        for (int p = 2; p <= run.state.TabCount; ++p) {
          if (run.main().lblTab(p).Caption() != "two") return false;
        }
        return true;
      },
      60000))
      << "batch " << batch << Describe(run);
  while (run.state.TabCount > 1) {
    run.main().lblTab_Click(run.state.TabCount);
    run.main().CloseTab();
  }
}

// A thousand tabs opened on a page and closed again leave the browser as
// they found it: no views, processes or memory left behind.
TEST_F(CrashingPages, ThousandTabCyclesLeaveNothingBehind) {
  BrowserRun run(config, server.Url("/two"));
  ASSERT_TRUE(run.WaitForCaption("two - Tabulon - "));
  for (int batch = 0; batch < 5; ++batch) {  // the engine warms up
    OpenAndCloseTenTabs(run, server.Url("/two"), batch);
    if (HasFatalFailure()) return;
  }
  Pump(1000);
  const long pss_before = TotalPssKb();
  const size_t processes_before = WebProcesses().size();
  for (int batch = 0; batch < 100; ++batch) {
    OpenAndCloseTenTabs(run, server.Url("/two"), batch);
    if (HasFatalFailure()) return;
  }
  Pump(2000);
  const long pss_after = TotalPssKb();
  const size_t processes_after = WebProcesses().size();
  std::fprintf(stderr, "soak: PSS %ld kB -> %ld kB, web processes %zu -> %zu, views %d\n",
               pss_before, pss_after, processes_before, processes_after,
               run.main().brwPages().Count());
  EXPECT_EQ(run.state.TabCount, 1);
  EXPECT_EQ(run.main().brwPages().Count(), 2);  // the template and the one tab
  EXPECT_LE(processes_after, processes_before + 1);
  // The engine's caches may grow a little; a leak of a view per cycle would
  // be hundreds of megabytes.
  EXPECT_LE(pss_after, pss_before + pss_before / 2 + 50 * 1024);
}

// A site whose tabs have all closed gives its process back, and its next
// tabs load in a new one. Once a tab opened just as the last one closed got
// the ending process and never loaded.
TEST_F(CrashingPages, ASiteWhoseTabsAllCloseEndsItsProcessAndTheNextTabsLoad) {
  // The engine reads it when it is made; the next test gets the old value.
  struct PoolSize {
    const char* saved = std::getenv("TABULON_WEB_PROCESSES");
    std::string value = saved ? saved : "";
    PoolSize() { setenv("TABULON_WEB_PROCESSES", "4", 1); }
    ~PoolSize() {
      if (saved) {
        setenv("TABULON_WEB_PROCESSES", value.c_str(), 1);
      } else {
        unsetenv("TABULON_WEB_PROCESSES");
      }
    }
  } pool_size;
  LoopbackServer other_site("127.0.0.2");
  other_site.Serve("/two", "<html><head><title>two</title></head><body>2</body></html>");
  BrowserRun run(config, server.Url("/two"));
  ASSERT_TRUE(run.WaitForCaption("two - Tabulon - "));
  std::vector<pid_t> first = WebProcesses();
  std::sort(first.begin(), first.end());
  for (int batch = 0; batch < 40 && !HasFatalFailure(); ++batch) {
    OpenAndCloseTenTabs(run, other_site.Url("/two"), batch);
    EXPECT_TRUE(PumpUntil([&] {
      std::vector<pid_t> now = WebProcesses();
      std::sort(now.begin(), now.end());
      return now == first;
    })) << "batch "
        << batch;
  }
}

}  // namespace
}  // namespace tabulon::integration
