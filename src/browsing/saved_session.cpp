#include "browsing/saved_session.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace tabulon {
namespace {

constexpr std::string_view kHeader = "TabulonSession 1";
constexpr std::string_view kFooter = "end";
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t n = static_cast<std::uint8_t>(bytes[i]) << 16 |
                            static_cast<std::uint8_t>(bytes[i + 1]) << 8 |
                            static_cast<std::uint8_t>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(n >> shift) & 63];
  }
  const std::size_t left = bytes.size() - i;
  if (left > 0) {
    std::uint32_t n = static_cast<std::uint8_t>(bytes[i]) << 16;
    if (left == 2) n |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += left == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::optional<std::string> FromBase64(std::string_view text) {
  static const std::array<int, 256> kValue = [] {
    std::array<int, 256> value{};
    value.fill(-1);
    for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(kAlphabet[i])] = i;
    return value;
  }();
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int padding = 0;
    std::uint32_t n = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      const char c = text[i + j];
      if (c == '=' && last && j >= 2 && (j == 3 || text[i + 3] == '=')) {
        ++padding;
        n <<= 6;
        continue;
      }
      const int v = kValue[static_cast<unsigned char>(c)];
      if (v < 0 || padding > 0) return std::nullopt;
      n = n << 6 | static_cast<std::uint32_t>(v);
    }
    out += static_cast<char>(n >> 16 & 0xFF);
    if (padding < 2) out += static_cast<char>(n >> 8 & 0xFF);
    if (padding < 1) out += static_cast<char>(n & 0xFF);
  }
  return out;
}

// Splits off the next line (without its '\n'); false at the end of the bytes.
bool NextLine(std::string_view& rest, std::string_view& line) {
  if (rest.empty()) return false;
  const std::size_t end = rest.find('\n');
  if (end == std::string_view::npos) return false;  // a line is whole only with its newline
  line = rest.substr(0, end);
  rest.remove_prefix(end + 1);
  return true;
}

bool ParseInt(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string EncodeSession(const SavedSession& session) {
  std::string out(kHeader);
  out += "\nended ";
  out += session.ended ? '1' : '0';
  out += "\ncurrent " + std::to_string(session.current) + "\n";
  for (const SavedTab& tab : session.tabs) {
    out +=
        "tab " + Base64(tab.address) + " " + Base64(tab.title) + " " + Base64(tab.history) + "\n";
  }
  out += kFooter;
  out += '\n';
  return out;
}

std::optional<SavedSession> DecodeSession(std::string_view bytes) {
  SavedSession session;
  std::string_view line;
  if (!NextLine(bytes, line) || line != kHeader) return std::nullopt;
  if (!NextLine(bytes, line) || (line != "ended 0" && line != "ended 1")) return std::nullopt;
  session.ended = line == "ended 1";
  if (!NextLine(bytes, line) || !line.starts_with("current ") ||
      !ParseInt(line.substr(8), session.current)) {
    return std::nullopt;
  }
  while (NextLine(bytes, line)) {
    if (line == kFooter) {
      if (!bytes.empty()) return std::nullopt;
      if (session.current < 0 || session.current > static_cast<int>(session.tabs.size())) {
        session.current = session.tabs.empty() ? 0 : 1;
      }
      return session;
    }
    if (!line.starts_with("tab ")) return std::nullopt;
    line.remove_prefix(4);
    std::array<std::optional<std::string>, 3> fields;
    for (std::size_t f = 0; f < fields.size(); ++f) {
      const std::size_t space = line.find(' ');
      const bool last = f + 1 == fields.size();
      if (last != (space == std::string_view::npos)) return std::nullopt;
      fields[f] = FromBase64(line.substr(0, space));
      if (!fields[f]) return std::nullopt;
      line.remove_prefix(last ? line.size() : space + 1);
    }
    session.tabs.push_back({std::move(*fields[0]), std::move(*fields[1]), std::move(*fields[2])});
  }
  return std::nullopt;  // no end line: cut short
}

}  // namespace tabulon
