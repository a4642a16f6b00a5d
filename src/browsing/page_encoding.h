#pragma once
#include <string>
#include <string_view>

namespace tabulon {

// Whether a page says how it is encoded: a charset in its Content-Type, or a
// meta charset (or http-equiv Content-Type with a charset) near its start.
bool DeclaresCharset(std::string_view content_type, std::string_view first_bytes);

// The engine's name for an encoding a detector named, "" for one not worth
// re-decoding a page for (plain ASCII, single-byte guesses, unknown).
std::string EngineCharsetName(std::string_view detected);

}  // namespace tabulon
