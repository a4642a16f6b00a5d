#include "browsing/accessibility_bus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "settings_temp_folder.h"

namespace tabulon {
namespace {

// A socket bound at a path; listening (a live bus) or not (one left behind).
class BoundSocket {
 public:
  BoundSocket(const std::string& path, bool listening) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    if (listening) {
      EXPECT_EQ(listen(fd_, 1), 0);
    }
  }
  ~BoundSocket() { close(fd_); }

 private:
  int fd_;
};

class AccessibilityBus : public ::testing::Test {
 protected:
  testing_support::TempFolder folder;
};

TEST_F(AccessibilityBus, AnAddressIsStaleOnlyWhenNoneOfItsSocketsAnswers) {
  BoundSocket live(folder / "live", true);
  BoundSocket dead(folder / "dead", false);
  const std::string gone = "unix:path=" + (folder / "gone") + ",guid=1234";
  EXPECT_TRUE(AccessibilityBusIsStale(gone));
  EXPECT_TRUE(AccessibilityBusIsStale("unix:path=" + (folder / "dead")));
  EXPECT_FALSE(AccessibilityBusIsStale("unix:path=" + (folder / "live") + ",guid=1"));
  EXPECT_FALSE(AccessibilityBusIsStale(gone + ";unix:path=" + (folder / "live")));
  EXPECT_TRUE(AccessibilityBusIsStale("unix:abstract=/tmp/tabulon-no-such-bus-" +
                                      std::to_string(getpid())));
}

TEST_F(AccessibilityBus, WhatCannotBeTestedCountsAsLive) {
  EXPECT_FALSE(AccessibilityBusIsStale(""));
  EXPECT_FALSE(AccessibilityBusIsStale("tcp:host=localhost,port=1"));
  EXPECT_FALSE(AccessibilityBusIsStale("unix:tmpdir=/tmp"));
  EXPECT_FALSE(AccessibilityBusIsStale("unix:path=" + (folder / "gone") + ";tcp:port=1"));
}

TEST(DBusAddress, ValuesAreFoundByKeyWithTheirEscapesUndone) {
  EXPECT_EQ(DBusAddressValue("unix:path=/run/a%20b,guid=9", "path"), "/run/a b");
  EXPECT_EQ(DBusAddressValue("unix:guid=9,path=/x", "path"), "/x");
  EXPECT_EQ(DBusAddressValue("unix:pathname=/x", "path"), "");
  EXPECT_EQ(DBusAddressValue("unix:path=/a%2", "path"), "/a%2");
  EXPECT_EQ(DBusAddressValue("no colon", "path"), "");
}

}  // namespace
}  // namespace tabulon
