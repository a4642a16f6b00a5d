#include <gtest/gtest.h>
#include <gtkmm.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gtk/icons.h"

namespace {

// Runs this test program again inside a display, a session bus and a home of
// its own, so nothing of the machine's desktop (or of an earlier run) reaches
// the browser. Returns only when that cannot be started.
int RunHermetic(int argc, char** argv) {
  char self[PATH_MAX] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) < 0) {
    perror("cannot find the test program");
    return 1;
  }
  std::vector<char*> args{const_cast<char*>("/bin/sh"), const_cast<char*>(TABULON_HERMETIC_SCRIPT),
                          self};
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execv("/bin/sh", args.data());
  perror("cannot start " TABULON_HERMETIC_SCRIPT);
  return 1;
}

bool Listing(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("TABULON_HERMETIC") && !Listing(argc, argv)) return RunHermetic(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  Gtk::Main kit(argc, argv);
  tabulon::gtk::UseProgramIcon();
  return RUN_ALL_TESTS();
}
