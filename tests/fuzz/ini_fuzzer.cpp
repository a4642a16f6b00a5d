// Feeds arbitrary bytes to the settings-file reader and writer as a file's
// contents, and checks what every write must keep true.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "settings/codepage.h"
#include "settings/ini_document.h"

namespace {

using tabulon::IniDocument;

// A name the writer can store: letters and digits only, never empty.
std::string NameFrom(std::string_view seed, const char* fallback) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string name;
  for (unsigned char c : seed) name += kAlphabet[c % (sizeof kAlphabet - 1)];
  return name.empty() ? fallback : name;
}

std::string ExpectedValue(std::string_view value) {
  std::string v(value);
  for (char& c : v) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  auto first = v.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  auto last = v.find_last_not_of(" \t");
  return v.substr(first, last - first + 1);
}

void CheckAt(bool ok, int line) {
  if (ok) return;
  std::fprintf(stderr, "broken rule at ini_fuzzer.cpp:%d\n", line);
  std::abort();
}
#define Check(ok) CheckAt((ok), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // The first three bytes pick the lengths of the section name, the key
  // name and the value; the rest is the file.
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t section_len = static_cast<unsigned char>(input[0]) % 8;
  const std::size_t key_len = static_cast<unsigned char>(input[1]) % 8;
  const std::size_t value_len = static_cast<unsigned char>(input[2]) % 64;
  input.remove_prefix(3);
  auto part = [&](std::size_t at, std::size_t len) {
    return input.substr(std::min(at, input.size()), len);
  };
  const std::string section = NameFrom(part(0, section_len), "URL");
  const std::string key = NameFrom(part(section_len, key_len), "URL1");
  const std::string value(part(section_len + key_len, value_len));
  const std::string file(input);

  // Reading never fails, whatever the bytes.
  IniDocument document(file);
  (void)document.Find("URL", "URL1");
  (void)document.Find("TABULON", "MODE");
  (void)tabulon::Cp932ToUtf8(file);
  (void)tabulon::Utf8ToCp932(file);
  (void)tabulon::SanitizeUtf8(file);
  const std::size_t cut = tabulon::Cp932PrefixLength(file, 99);
  Check(cut <= 99 && cut <= file.size());

  // A key that stood in the file before the write.
  const std::optional<std::string> other_before = document.Find("TITLE", "TITLE1");

  document.Set(section, key, value);
  const std::string expected = ExpectedValue(value);
  // What was written reads back, from the document and from its bytes.
  Check(document.Find(section, key) == expected);
  IniDocument reread(document.Bytes());
  Check(reread.Find(section, key) == expected);
  // Other keys keep their values.
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  if (lower(section) != "title" || lower(key) != "title1") {
    Check(reread.Find("TITLE", "TITLE1") == other_before);
  }
  // The file before the write is the written file less at most one line:
  // everything in front of the change and behind it stays byte for byte.
  const std::string& after = document.Bytes();
  std::size_t prefix = 0;
  while (prefix < file.size() && prefix < after.size() && file[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < file.size() - prefix && suffix < after.size() - prefix &&
         file[file.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  const std::string_view removed(file.data() + prefix, file.size() - prefix - suffix);
  // At most the text of the one replaced line, never a line break.
  Check(removed.find('\n') == std::string_view::npos);
  return 0;
}
