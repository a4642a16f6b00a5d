#pragma once
#include <string>
#include <string_view>

namespace tabulon {

// Text to number as the tags are read: the leading decimal number, 0 when
// there is none.
int Val(std::string_view text);

// The address with surrounding blanks (spaces, tabs, line breaks) removed.
std::string TrimBlanks(std::string_view text);

}  // namespace tabulon
