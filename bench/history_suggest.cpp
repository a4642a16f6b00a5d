// How long suggestions take from a history of 100,000 pages, and how long
// such a history takes to open. Prints a table; the target for a suggestion
// is one frame (16 ms).
//
//   build/bench/history_bench [entries]
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "history/history_store.h"

namespace {

double Millis(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

template <typename F>
double MedianMillis(int runs, F&& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(Millis(std::chrono::steady_clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t entries = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  std::string folder = (std::filesystem::temp_directory_path() / "tabulon-bench-XXXXXX").string();
  if (!mkdtemp(folder.data())) return 1;
  const std::string path = folder + "/history.sqlite";

  // Addresses and titles of a mixed history: Latin and Japanese words,
  // hosts visited many times and pages visited once, over three months.
  const std::vector<std::string> words = {"news", "wiki",  "shop", "docs", "blog",
                                          "mail", "video", "天気", "東京", "ニュース",
                                          "料理", "旅行",  "地図", "辞書"};
  std::mt19937 random(42);
  const std::int64_t now = 1796796000;
  std::int64_t clock = now;
  {
    tabulon::HistoryStore store(path, [&clock] { return clock; });
    store.Size();  // read: the clock is ours from here on
    for (std::size_t i = 0; i < entries; ++i) {
      const std::string& a = words[random() % words.size()];
      const std::string& b = words[random() % words.size()];
      const std::string address = "https://www." + a + std::to_string(random() % 2000) +
                                  ".example.com/" + b + "/article/" + std::to_string(i) +
                                  "?ref=" + std::to_string(random());
      clock = now - static_cast<std::int64_t>(random() % (89 * 86400));
      store.AddVisit(address);
      store.SetTitle(address, b + " の記事 " + std::to_string(i) + " - " + a + " Example サイト");
    }
    store.Flush();
  }

  clock = now;
  std::unique_ptr<tabulon::HistoryStore> store;
  std::size_t size = 0;
  // Until the history has been read: the window goes on meanwhile.
  const double open_ms = MedianMillis(1, [&] {
    store = std::make_unique<tabulon::HistoryStore>(path, [&clock] { return clock; });
    size = store->Size();
  });
  std::printf("history of %zu pages, read in %.1f ms (on a thread of its own)\n\n", size, open_ms);
  std::printf("%-24s %8s %10s\n", "typed", "matches", "median ms");
  for (const char* typed :
       {"n", "ne", "news", "NEWS wiki", "東京", "ニュース 料理", "article/99", "nothing-like-it"}) {
    std::size_t found = 0;
    const double ms = MedianMillis(21, [&] { found = store->Suggest(typed, 10).size(); });
    std::printf("%-24s %8zu %10.2f\n", typed, found, ms);
  }
  store.reset();
  std::filesystem::remove_all(folder);
  return 0;
}
