#include "settings/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <initializer_list>

namespace tabulon {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// glibc knows the Windows table as "CP932"; "WINDOWS-31J" is the IANA name
// other iconv builds use for the same table.
iconv_t OpenCp932Converter(const char* to, bool to_cp932) {
  for (const char* name : {"CP932", "WINDOWS-31J"}) {
    iconv_t cd = to_cp932 ? iconv_open(name, to) : iconv_open(to, name);
    if (cd != reinterpret_cast<iconv_t>(-1)) return cd;
  }
  return reinterpret_cast<iconv_t>(-1);
}

// Length of the well-formed UTF-8 sequence at the start of `bytes`, or 0 when
// it is malformed (overlong forms, surrogates and values past U+10FFFF
// included).
std::size_t Utf8SequenceLength(std::string_view bytes) {
  if (bytes.empty()) return 0;
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = at(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char min_second = 0x80;
  unsigned char max_second = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) min_second = 0xA0;
    if (lead == 0xED) max_second = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) min_second = 0x90;
    if (lead == 0xF4) max_second = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  if (at(1) < min_second || at(1) > max_second) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((at(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Runs iconv over all of `input`. When it stops at something it cannot
// convert, `on_error` appends a substitute and says how many input bytes to
// skip.
template <typename OnError>
void Convert(iconv_t cd, std::string_view input, std::string& out, OnError on_error) {
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  char buffer[4096];
  while (in_left > 0) {
    char* buffer_out = buffer;
    std::size_t buffer_left = sizeof buffer;
    const std::size_t result = iconv(cd, &in, &in_left, &buffer_out, &buffer_left);
    const int error = errno;
    out.append(buffer, static_cast<std::size_t>(buffer_out - buffer));
    if (result != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    const std::size_t skip = on_error(std::string_view(in, in_left), out);
    in += skip;
    in_left -= skip;
  }
}

}  // namespace

bool IsCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string SanitizeUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t length = Utf8SequenceLength(bytes.substr(i));
    if (length == 0) {
      out += kReplacementCharacter;
      ++i;
    } else {
      out.append(bytes.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() + cp932.size() / 2);
  iconv_t cd = OpenCp932Converter("UTF-8", false);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Without a converter only the ASCII part can be trusted.
    for (char c : cp932) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacementCharacter;
      }
    }
    return out;
  }
  Convert(cd, cp932, out, [](std::string_view, std::string& sink) {
    sink += kReplacementCharacter;
    return std::size_t{1};
  });
  iconv_close(cd);
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto substitute = [](std::string_view rest, std::string& sink) {
    // One '?' per character that has no place in the code page; malformed
    // input costs one '?' per byte.
    sink += '?';
    const std::size_t length = Utf8SequenceLength(rest);
    return length == 0 ? std::size_t{1} : length;
  };
  iconv_t cd = OpenCp932Converter("UTF-8", true);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::size_t i = 0;
    while (i < utf8.size()) {
      if (static_cast<unsigned char>(utf8[i]) < 0x80) {
        out += utf8[i++];
      } else {
        i += substitute(utf8.substr(i), out);
      }
    }
    return out;
  }
  Convert(cd, utf8, out, substitute);
  iconv_close(cd);
  return out;
}

std::size_t Cp932PrefixLength(std::string_view bytes, std::size_t max_bytes) {
  if (bytes.size() <= max_bytes) return bytes.size();
  std::size_t i = 0;
  while (i < max_bytes) {
    const std::size_t width =
        IsCp932LeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
    if (i + width > max_bytes) break;
    i += width;
  }
  return i;
}

std::size_t Utf8PrefixLength(std::string_view bytes, std::size_t max_bytes) {
  if (bytes.size() <= max_bytes) return bytes.size();
  // Only a well-formed sequence that straddles the cut moves it; stray
  // continuation bytes are single undecodable bytes and may be cut anywhere.
  const std::size_t earliest = max_bytes >= 3 ? max_bytes - 3 : 0;
  for (std::size_t start = max_bytes; start-- > earliest;) {
    const auto byte = static_cast<unsigned char>(bytes[start]);
    if ((byte & 0xC0) == 0x80) continue;
    const std::size_t length = Utf8SequenceLength(bytes.substr(start));
    return length > 0 && start + length > max_bytes ? start : max_bytes;
  }
  return max_bytes;
}

}  // namespace tabulon
