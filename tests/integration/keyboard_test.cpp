#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "browsing/internet_settings.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

// Real key presses through the X server, on the keyboard layout given.
void Keys(const std::string& keys) {
  std::string command = "xdotool key --clearmodifiers " + keys;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Switches the X keyboard layout and waits until the toolkit has the new map:
// Shift with the 2 key (X key code 11) gives @ on "us" and " on "jp".
void Layout(const std::string& layout) {
  ASSERT_EQ(std::system(("setxkbmap " + layout).c_str()), 0) << layout;
  const guint expected = layout == "jp" ? GDK_KEY_quotedbl : GDK_KEY_at;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  EXPECT_TRUE(PumpUntil([&] {
    guint keyval = 0;
    return gdk_keymap_translate_keyboard_state(keymap, 11, GDK_SHIFT_MASK, 0, &keyval, nullptr,
                                               nullptr, nullptr) &&
           keyval == expected;
  })) << "the toolkit did not see the layout "
      << layout;
}

// Turns Num Lock on or off, the way its key does, and waits until the
// toolkit knows.
void SetNumLock(bool on) {
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  if (static_cast<bool>(gdk_keymap_get_num_lock_state(keymap)) != on) Keys("Num_Lock");
  ASSERT_TRUE(
      PumpUntil([&] { return static_cast<bool>(gdk_keymap_get_num_lock_state(keymap)) == on; }));
}

class RealKeys : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string config = TempFolder();
  std::unique_ptr<BrowserRun> run;
  void SetUp() override {
    for (int n = 1; n <= 20; ++n) {
      server.Serve("/fav" + std::to_string(n),
                   "<html><head><title>fav" + std::to_string(n) + "</title></head></html>");
    }
    server.Serve("/page", "<html><head><title>page</title></head><body>page</body></html>");
    run = std::make_unique<BrowserRun>(config, server.Url("/page"));
    for (int n = 1; n <= 20; ++n) {
      run->state.UrlList[n].Url = server.Url("/fav" + std::to_string(n));
    }
    ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
    ASSERT_TRUE(PresentAndWaitForFocus(run->toolkit->Window()));
  }
  void TearDown() override {
    run.reset();
    std::system("setxkbmap us");
  }
  // The favourite the newest tab was opened for.
  std::string NewestTabAddress() {
    return run->main().BrowserOfTab(run->state.TabCount).LocationURL();
  }
};

TEST_F(RealKeys, CtrlShiftDigitOpensTheSecondTenOnUsAndJapaneseLayouts) {
  Layout("us");
  Keys("ctrl+shift+1");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 2; }));
  EXPECT_EQ(NewestTabAddress(), server.Url("/fav11"));
  Layout("jp");
  Keys("ctrl+shift+1");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 3; }));
  EXPECT_EQ(NewestTabAddress(), server.Url("/fav11"));
  // Shift+0 gives no character on a Japanese keyboard; the key is still 0.
  Keys("ctrl+shift+0");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 4; }));
  EXPECT_EQ(NewestTabAddress(), server.Url("/fav20"));
  Keys("ctrl+0");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 5; }));
  EXPECT_EQ(NewestTabAddress(), server.Url("/fav10"));
  EXPECT_EQ(run->state.CurTab, 1);
}

// Num Lock on, Shift makes the keypad's 0 an Insert key; the second ten are
// still Ctrl+Shift with the key, on or off.
TEST_F(RealKeys, KeypadDigitsOpenTheSameFavouritesWithNumLockOnOrOff) {
  Keys("ctrl+KP_5");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 2; }));
  EXPECT_EQ(NewestTabAddress(), server.Url("/fav5"));
  int tabs = 2;
  for (const bool num_lock : {true, false}) {
    SetNumLock(num_lock);
    for (const auto& [key, favourite] : {std::pair{"KP_0", 20}, {"KP_7", 17}}) {
      Keys(std::string("ctrl+shift+") + key);
      ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == tabs + 1; }))
          << key << " num lock " << num_lock;
      ++tabs;
      EXPECT_EQ(NewestTabAddress(), server.Url("/fav" + std::to_string(favourite)))
          << key << " num lock " << num_lock;
    }
  }
}

TEST_F(RealKeys, WindowKeysWinOverTheFocusedUrlBox) {
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window()));
  Keys("ctrl+n");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 2; }));
  Keys("ctrl+Tab");
  ASSERT_TRUE(PumpUntil([&] { return run->state.CurTab == 2; }));
  Keys("ctrl+shift+Tab");
  ASSERT_TRUE(PumpUntil([&] { return run->state.CurTab == 1; }));
  // Ctrl+R typed into the focused URL box reloads the page.
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window()));
  const int hits = server.Hits("/page");
  Keys("ctrl+r");
  EXPECT_TRUE(PumpUntil([&] { return server.Hits("/page") == hits + 1; }));
  EXPECT_EQ(run->main().cmbURL().Text(), server.Url("/page"));
  Keys("ctrl+w");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 1; }));
}

TEST_F(RealKeys, CtrlShiftTReopensClosedTabsWithTheirHistory) {
  run->main().BrowserOfTab(1).Navigate2(server.Url("/fav1"));
  ASSERT_TRUE(run->WaitForCaption("fav1 - Tabulon - "));
  run->main().NewPage(server.Url("/fav2"));
  ASSERT_TRUE(WaitForLoaded(*run, 2));
  Keys("ctrl+w");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 1; }));

  Keys("ctrl+shift+t");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 2 && run->state.CurTab == 2; }));
  ASSERT_TRUE(run->WaitForCaption("fav1 - Tabulon - "));
  EXPECT_EQ(run->main().lblTab(2).Caption(), "fav1");
  Keys("alt+Left");
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));

  run->main().m_all_close_Click();
  Keys("ctrl+shift+t");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 2; }));
  EXPECT_TRUE(PumpUntil([&] {
    return run->main().BrowserOfTab(1).LocationURL() == server.Url("/fav2") &&
           run->main().BrowserOfTab(2).LocationURL() == server.Url("/page");
  }));
}

TEST_F(RealKeys, EnterInTheUrlBoxLoadsTheTypedAddressInTheCurrentTab) {
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window()));
  run->main().cmbURL().SetText(server.Url("/fav7"));
  Keys("Return");
  ASSERT_TRUE(run->WaitForCaption("fav7 - Tabulon - "));
  EXPECT_EQ(run->state.TabCount, 1);
  EXPECT_EQ(run->main().cmbURL().List(), (std::vector<std::string>{server.Url("/fav7")}));
}

// A word typed in the URL box is searched for at the search page's address;
// an address in full width, as an input method left in that mode gives it,
// loads.
TEST_F(RealKeys, AWordInTheUrlBoxIsSearchedForAndAFullWidthAddressLoads) {
  server.Serve("/search", "<html><head><title>found</title></head></html>");
  ASSERT_TRUE(SaveInternetSettings(*run->store, {kHomeUrl, server.Url("/search?q=%s"), ""}).ok());
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window()));
  Keys("ctrl+a");
  ASSERT_EQ(std::system("xdotool type --delay 20 toukyou"), 0);
  ASSERT_TRUE(PumpUntil([&] { return run->main().cmbURL().Text() == "toukyou"; }));
  Keys("Return");
  ASSERT_TRUE(run->WaitForCaption("found - Tabulon - ")) << run->main().Window().Caption();
  EXPECT_EQ(run->main().brwPage(1).LocationURL(), server.Url("/search?q=toukyou"));

  std::string full_width;  // U+FF01 onwards stand for "!" onwards
  for (const char c : server.Url("/fav5")) {
    const unsigned code = 0xFF01 + static_cast<unsigned>(c - '!');
    full_width +=
        {static_cast<char>(0xE0 | code >> 12), static_cast<char>(0x80 | (code >> 6 & 0x3F)),
         static_cast<char>(0x80 | (code & 0x3F))};
  }
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window()));
  run->main().cmbURL().SetText(full_width);
  Keys("Return");
  ASSERT_TRUE(run->WaitForCaption("fav5 - Tabulon - ")) << run->main().Window().Caption();
  EXPECT_EQ(run->state.TabCount, 1);
}

TEST_F(RealKeys, TypingInTheUrlBoxSurvivesAPageThatKeepsChangingItsAddress) {
  server.Serve("/ticking",
               "<html><head><title>ticking</title><script>let n = 0;"
               "setInterval(() => { location.hash = String(++n); }, 100);</script></head></html>");
  run->main().brwPage(1).Navigate2(server.Url("/ticking"));
  ASSERT_TRUE(run->WaitForCaption("ticking - Tabulon - "));
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window()));
  Keys("ctrl+a");
  const std::string typed = server.Url("/fav3");
  ASSERT_EQ(std::system(("xdotool type --delay 20 '" + typed + "'").c_str()), 0);
  // Let the page move on a few times more.
  const std::string seen = run->main().brwPage(1).LocationURL();
  ASSERT_TRUE(PumpUntil([&] { return run->main().brwPage(1).LocationURL() != seen; }));
  EXPECT_EQ(run->main().cmbURL().Text(), typed);
  Keys("Return");
  ASSERT_TRUE(run->WaitForCaption("fav3 - Tabulon - "));
}

// A loopback port nobody listens on: taken from the system, then let go.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

TEST_F(RealKeys, AnAddressThatCannotBeReachedStaysInTheBoxWithAPageThatSaysWhy) {
  const std::string typed = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/gone";
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window()));
  Keys("ctrl+a");
  ASSERT_EQ(std::system(("xdotool type --delay 20 '" + typed + "'").c_str()), 0);
  Keys("Return");
  ASSERT_TRUE(run->WaitForCaption("ページを開けませんでした - Tabulon - "))
      << run->main().Window().Caption();
  EXPECT_EQ(run->main().cmbURL().Text(), typed);
  EXPECT_EQ(run->main().brwPage(1).LocationURL(), typed);
}

TEST_F(RealKeys, F11SwitchesExactlyOncePerPressInBothModes) {
  Keys("F11");
  ASSERT_TRUE(PumpUntil([&] { return !run->main().NormalMode; }));
  Pump(200);
  EXPECT_FALSE(run->main().Menu("m_tab").Visible());
  Keys("F11");
  ASSERT_TRUE(PumpUntil([&] { return run->main().NormalMode; }));
  Pump(200);
  EXPECT_TRUE(run->main().NormalMode);
  EXPECT_TRUE(run->main().Menu("m_tab").Visible());
}

}  // namespace
}  // namespace tabulon::integration
