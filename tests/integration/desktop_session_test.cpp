#include "harness.h"
#include "settings/basqks_api.h"

namespace tabulon::integration {
namespace {

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
  BrowserProcess browser(server.Url("/page.html"), TempFolder(),
                         on_display ? std::vector<std::string>{}
                                    : std::vector<std::string>{"AT_SPI_BUS_ADDRESS=" + stale});
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
