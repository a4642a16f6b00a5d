#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdlib>

#include "platform/gtk/icons.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  // Nothing of the user's: the engine's and the store's folders are the
  // test's own.
  std::string home = ::testing::TempDir() + "tabulon-it-home";
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  g_mkdir_with_parents((home + "/cache").c_str(), 0700);
  Gtk::Main kit(argc, argv);
  tabulon::gtk::UseProgramIcon();
  return RUN_ALL_TESTS();
}
