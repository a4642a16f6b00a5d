// One browser per profile: who owns it, and what a later start hands over.
#include "app/profile_owner.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <thread>

#include "main_window_fixture.h"
#include "settings_temp_folder.h"

namespace tabulon::testing {
namespace {

using testing_support::TempFolder;

TEST(HandOverMessage, RoundTripsAndRefusesAnythingElse) {
  const HandOver request{"http://例え.jp/a b", "id_TIME123"};
  const std::string bytes = EncodeHandOver(request);
  const std::optional<HandOver> back = DecodeHandOver(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->address, request.address);
  EXPECT_EQ(back->startup_id, request.startup_id);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(DecodeHandOver(bytes.substr(0, cut))) << cut;
  }
  EXPECT_FALSE(DecodeHandOver(bytes + "x"));
  EXPECT_FALSE(DecodeHandOver("GET / HTTP/1.0\r\n\r\n"));
}

// The owner serves one request on this thread while a later start runs on
// another, as two processes would.
HandOver ServeOne(ProfileOwner& owner) {
  pollfd waiting{owner.ListenFd(), POLLIN, 0};
  EXPECT_EQ(poll(&waiting, 1, 10000), 1);
  const std::optional<HandOver> request = owner.Accept();
  EXPECT_TRUE(request);
  return request.value_or(HandOver{});
}

TEST(OwningAProfile, ALaterStartHandsOverAndAnEndedOwnerBlocksNothing) {
  TempFolder profile, other;
  {
    ProfileOwner owner(profile.path());
    ASSERT_EQ(owner.ClaimOrHandOver({}, 1000), ProfileOwner::Outcome::kOwner);
    ASSERT_GE(owner.ListenFd(), 0);
    ProfileOwner::Outcome later_outcome{};
    std::thread later([&] {
      ProfileOwner later_start(profile.path());
      later_outcome = later_start.ClaimOrHandOver({"http://b/", ""}, 10000);
    });
    EXPECT_EQ(ServeOne(owner).address, "http://b/");
    later.join();
    EXPECT_EQ(later_outcome, ProfileOwner::Outcome::kHandedOver);
    // Another profile is another browser.
    ProfileOwner elsewhere(other.path());
    EXPECT_EQ(elsewhere.ClaimOrHandOver({}, 1000), ProfileOwner::Outcome::kOwner);
  }
  // The owner is gone (its socket left behind, as after a crash).
  ProfileOwner next(profile.path());
  EXPECT_EQ(next.ClaimOrHandOver({"http://c/", ""}, 1000), ProfileOwner::Outcome::kOwner);
}

class HandedOverAddresses : public MainWindowTest {};

TEST_F(HandedOverAddresses, OpenAsTheShownNewTabUpToTheLimitAndRaiseTheWindow) {
  Start("http://first/");
  app.OpenHandedOver({"http://second/", ""});
  EXPECT_EQ(state.TabCount, 2);
  EXPECT_EQ(state.CurTab, 2);
  EXPECT_EQ(BrowserAt(2).LocationURL(), "http://second/");
  app.OpenHandedOver({"", ""});  // no address: only the window
  EXPECT_EQ(state.TabCount, 2);
  OpenTabsUntil(100);
  app.OpenHandedOver({"http://101/", ""});
  EXPECT_EQ(state.TabCount, 100);
  EXPECT_EQ(toolkit.presented, 3);
}

}  // namespace
}  // namespace tabulon::testing
