#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace tabulon {

// The favourites file was written by the Windows build in code page 932, while
// the rest of the program speaks UTF-8. These conversions never fail: bytes
// that cannot be decoded become U+FFFD (one per byte) and characters code
// page 932 cannot hold become '?', the way Windows substitutes them.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

// Passes valid UTF-8 through and puts U+FFFD for each byte that is not part of
// a well-formed sequence, so text read from disk is always safe to display.
std::string SanitizeUtf8(std::string_view bytes);

// True for a byte that starts a two-byte character in code page 932.
bool IsCp932LeadByte(unsigned char byte);

// The longest prefix of `bytes` no longer than `max_bytes` that ends on a
// character boundary. The code page 932 variant scans from the start, because
// a trail byte can look like a lead byte on its own.
std::size_t Cp932PrefixLength(std::string_view bytes, std::size_t max_bytes);
std::size_t Utf8PrefixLength(std::string_view bytes, std::size_t max_bytes);

}  // namespace tabulon
