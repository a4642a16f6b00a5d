#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

namespace tabulon::testing_support {

// Runs save(i) for i = 0, 1, 2, ... in a child process until it is killed,
// killing it `kills` times at random moments; after each kill the file must
// be exactly one of the contents a whole save leaves.
template <typename Save, typename Check>
int KillSavesAtRandom(int kills, Save save, Check check) {
  std::mt19937 random(4242);
  int checked = 0;
  for (int round = 0; round < kills; ++round) {
    const pid_t child = fork();
    if (child == 0) {
      for (unsigned i = 0;; ++i) save(i);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 3000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (!check()) return -1;
    ++checked;
  }
  return checked;
}

}  // namespace tabulon::testing_support
