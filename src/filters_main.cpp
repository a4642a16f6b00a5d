// The build's filter converter: turns Adblock Plus filter lists into the
// engine's content blocker rules, which the browser ships, and the hiding
// rules pages ask for by name (OUTPUT.hiding beside OUTPUT.json).
//
//   tabulon-filters OUTPUT.json LIST...
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "browsing/content_filter.h"

namespace {
bool Write(const std::string& path, const std::string& text) {
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      std::fprintf(stderr, "tabulon-filters: cannot write %s\n", temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "tabulon-filters: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: tabulon-filters OUTPUT.json LIST...\n", stderr);
    return 2;
  }
  tabulon::ContentFilterConverter converter;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "tabulon-filters: cannot read %s\n", argv[i]);
      return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    converter.AddList(text.str());
  }
  const std::string json = converter.Json();
  // The hiding rules first: the JSON file is what the build waits for.
  if (!Write(tabulon::PlainHidingPath(argv[1]), converter.PlainHiding()) || !Write(argv[1], json)) {
    return 1;
  }
  const tabulon::FilterStats& stats = converter.Stats();
  std::printf("%d lines: %d blocking rules, %d hiding rules (%d hiding exceptions), %d skipped\n",
              stats.lines, stats.blocking, stats.hiding, stats.hiding_exceptions, stats.Skipped());
  for (int i = 0; i < static_cast<int>(tabulon::FilterSkip::kCount); ++i) {
    if (stats.skipped[i]) {
      std::printf("  skipped, %s: %d\n",
                  tabulon::FilterSkipName(static_cast<tabulon::FilterSkip>(i)), stats.skipped[i]);
    }
  }
  return 0;
}
