#include "browsing/page_encoding.h"

#include <algorithm>
#include <cctype>

namespace tabulon {

namespace {
std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}
}  // namespace

bool DeclaresCharset(std::string_view content_type, std::string_view first_bytes) {
  if (Lower(content_type).find("charset=") != std::string::npos) return true;
  // Browsers look for the declaration in the first 1024 bytes.
  const std::string head = Lower(first_bytes.substr(0, 1024));
  for (std::size_t meta = head.find("<meta"); meta != std::string::npos;
       meta = head.find("<meta", meta + 5)) {
    const std::size_t end = head.find('>', meta);
    const std::string tag =
        head.substr(meta, end == std::string::npos ? std::string::npos : end - meta);
    if (tag.find("charset") != std::string::npos) return true;
  }
  return false;
}

std::string EngineCharsetName(std::string_view detected) {
  const std::string name = Lower(detected);
  if (name == "utf-8") return "UTF-8";
  if (name == "shift_jis" || name == "sjis" || name == "cp932" || name == "windows-31j") {
    return "Shift_JIS";
  }
  if (name == "euc-jp") return "EUC-JP";
  if (name == "iso-2022-jp") return "ISO-2022-JP";
  if (name == "euc-kr") return "EUC-KR";
  if (name == "big5") return "Big5";
  if (name == "gb18030" || name == "gb2312") return "GB18030";
  // A single-byte guess is what the detector falls back on when it has little
  // to go on (a short Japanese title reads as Windows-1252); the user's
  // stored encoding knows better. ASCII reads the same in any of them.
  return "";
}

}  // namespace tabulon
