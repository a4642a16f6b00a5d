#pragma once
// Names and printouts for the rows of parameterised tests: test names must
// be letters, digits and underscores only, and a failing row should show
// what it held rather than its bytes in memory.
#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

namespace tabulon::testing_support {

// The letters and digits of `text` as one CamelCase word: everything else only
// separates words, and each word starts with a capital. Bytes outside ASCII
// are dropped, so Japanese text alone gives "".
inline std::string CamelCaseName(std::string_view text) {
  std::string name;
  bool word_start = true;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80 && std::isalnum(byte)) {
      name += word_start ? static_cast<char>(std::toupper(byte)) : c;
      word_start = false;
    } else {
      word_start = true;
    }
  }
  return name;
}

// Names each row of a table after its `name` field.
struct RowName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    return CamelCaseName(info.param.name);
  }
};

namespace internal {

// The length of the well-formed UTF-8 character at the start of `text`, or 0
// when there is none or it is one that shows nothing (a byte order mark, a
// zero-width space, a control character).
inline std::size_t Utf8CharLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  std::size_t length = 0;
  unsigned min = 0;
  unsigned code = byte(0);
  if (code >= 0xC2 && code <= 0xDF) {
    length = 2, min = 0x80, code &= 0x1F;
  } else if (code >= 0xE0 && code <= 0xEF) {
    length = 3, min = 0x800, code &= 0x0F;
  } else if (code >= 0xF0 && code <= 0xF4) {
    length = 4, min = 0x10000, code &= 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  const bool invisible = code <= 0x9F || (code >= 0x200B && code <= 0x200F) ||
                         (code >= 0x2028 && code <= 0x202E) || (code >= 0x2060 && code <= 0x2064) ||
                         code == 0xFEFF;
  return code < min || code > 0x10FFFF || surrogate || invisible ? 0 : length;
}

}  // namespace internal

// `text` in double quotes as a C++ literal would spell it: quotes, backslashes,
// control bytes and bytes that are not UTF-8 are escaped, Japanese is kept.
inline std::string Quoted(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  bool after_hex = false;  // a hex digit next would extend the escape
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (after_hex && std::isxdigit(byte)) out += "\"\"";
    after_hex = false;
    if (const std::size_t length = byte >= 0x80 ? internal::Utf8CharLength(text.substr(i)) : 0) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    switch (byte) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20 || byte >= 0x7F) {
          out += "\\x";
          out += kHex[byte >> 4];
          out += kHex[byte & 0x0F];
          after_hex = true;
        } else {
          out += static_cast<char>(byte);
        }
    }
    ++i;
  }
  return out + "\"";
}

inline std::string Quoted(const char* text) {
  return text == nullptr ? "nullptr" : Quoted(std::string_view(text));
}

}  // namespace tabulon::testing_support
