// Feeds arbitrary bytes to the filter converter as a filter list, and checks
// that what it makes is JSON the engine's parser takes, whatever the lines.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "browsing/content_filter.h"
#include "fuzz/json_check.h"

namespace {

void CheckAt(bool ok, int line) {
  if (ok) return;
  std::fprintf(stderr, "broken rule at content_filter_fuzzer.cpp:%d\n", line);
  std::abort();
}
#define Check(ok) CheckAt((ok), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view list(reinterpret_cast<const char*>(data), size);
  tabulon::ContentFilterConverter converter;
  converter.AddList(list);
  const std::string json = converter.Json();
  Check(tabulon::json_check::IsJson(json));
  // Every line of the rules pages ask for by name is read back as one.
  const std::string& plain = converter.PlainHiding();
  tabulon::PlainHidingRules rules;
  rules.Load(plain);
  std::size_t plain_rules = 0;
  for (std::size_t at = 0; at < plain.size();) {
    const std::size_t end = std::min(plain.find('\n', at), plain.size());
    plain_rules += plain.compare(at, 2, "@@") != 0;
    at = end + 1;
  }
  Check(rules.Size() == plain_rules);

  // Every line is read once, and each is a comment, a rule or skipped.
  const tabulon::FilterStats& stats = converter.Stats();
  std::size_t lines = !list.empty() && list.back() != '\n';
  for (char c : list) lines += c == '\n';
  Check(stats.lines == static_cast<int>(lines));
  Check(stats.comments + stats.blocking + stats.Skipped() + stats.hiding_exceptions <= stats.lines);
  // A rule's address pattern has no alternation or counted repetition left
  // unescaped, and no text outside ASCII.
  std::size_t at = 0;
  const std::string key = "\"url-filter\":\"";
  while ((at = json.find(key, at)) != std::string::npos) {
    at += key.size();
    bool escaped = false;
    for (; at < json.size() && (escaped || json[at] != '"'); ++at) {
      const char c = json[at];
      Check(static_cast<unsigned char>(c) < 0x80);
      if (!escaped && (c == '|' || c == '{' || c == '}')) {
        // JSON escapes come in pairs: a regex escape is "\\\\" before it.
        Check(at >= 2 && json[at - 1] == '\\' && json[at - 2] == '\\');
      }
      escaped = !escaped && c == '\\';
    }
  }
  return 0;
}
