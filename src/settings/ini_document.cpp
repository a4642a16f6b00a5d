#include "settings/ini_document.h"

#include <cstring>
#include <utility>

#include "settings/codepage.h"

namespace tabulon {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

// What ends the file's last line when a line is added after it: a lone
// carriage return at the end only lacks its line feed.
std::string IniDocument::BreakToEndLastLine() const {
  return !bytes_.empty() && bytes_.back() == '\r' ? std::string("\n") : line_break_;
}

IniDocument::IniDocument(std::string bytes, IniDialect dialect)
    : bytes_(std::move(bytes)), dialect_(dialect) {
  Index();
}

IniDocument::Line IniDocument::LineAt(std::size_t begin) const {
  Line line;
  line.begin = begin;
  const void* newline = std::memchr(bytes_.data() + begin, '\n', bytes_.size() - begin);
  if (newline == nullptr) {
    line.content_end = line.end = bytes_.size();
    // A carriage return that ends the file ends its last line, as the one
    // in front of a line feed does: it belongs to no value.
    if (line.content_end > begin && bytes_[line.content_end - 1] == '\r') --line.content_end;
    return line;
  }
  line.content_end = static_cast<std::size_t>(static_cast<const char*>(newline) - bytes_.data());
  line.end = line.content_end + 1;
  if (line.content_end > begin && bytes_[line.content_end - 1] == '\r') --line.content_end;
  return line;
}

bool IniDocument::ParseHeader(Line& line) const {
  const std::string_view text(bytes_.data() + line.begin, line.content_end - line.begin);
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size() || text[first] != '[') return false;
  // ']' can be the trail byte of a code page 932 character, so step over
  // whole characters while looking for the closing bracket.
  for (std::size_t i = first + 1; i < text.size(); ++i) {
    if (text[i] == ']') {
      const std::string_view name = Trim(text.substr(first + 1, i - first - 1));
      line.name_begin = static_cast<std::size_t>(name.data() - bytes_.data());
      line.name_end = line.name_begin + name.size();
      return true;
    }
    if (!utf8_ && IsCp932LeadByte(static_cast<unsigned char>(text[i]))) ++i;
  }
  return false;  // An unclosed header opens no section.
}

bool IniDocument::ParseKey(Line& line) const {
  const std::string_view text(bytes_.data() + line.begin, line.content_end - line.begin);
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size() || text[first] == ';' || text[first] == '#') return false;
  // '=' is never a trail byte, so the first one found is a real one.
  const std::size_t equals = text.find('=', first);
  if (equals == std::string_view::npos) return false;
  const auto offset = [&](std::string_view part) {
    return static_cast<std::size_t>(part.data() - bytes_.data());
  };
  const std::string_view name = Trim(text.substr(first, equals - first));
  const std::string_view value = Trim(text.substr(equals + 1));
  line.name_begin = offset(name);
  line.name_end = line.name_begin + name.size();
  line.value_begin = offset(value);
  line.value_end = line.value_begin + value.size();
  return true;
}

void IniDocument::Index() {
  headers_.clear();
  const bool has_bom = std::string_view(bytes_).starts_with(kByteOrderMark);
  utf8_ = has_bom || dialect_ == IniDialect::kUtf8KeyFile;
  body_begin_ = has_bom ? kByteOrderMark.size() : 0;

  const std::size_t first_break = bytes_.find('\n', body_begin_);
  if (first_break == std::string::npos) {
    line_break_ = dialect_ == IniDialect::kUtf8KeyFile ? "\n" : "\r\n";
  } else {
    const bool crlf = first_break > body_begin_ && bytes_[first_break - 1] == '\r';
    line_break_ = crlf ? "\r\n" : "\n";
  }

  for (std::size_t begin = body_begin_; begin < bytes_.size();) {
    Line line = LineAt(begin);
    if (ParseHeader(line)) headers_.push_back(line);
    begin = line.end;
  }
}

bool IniDocument::NamesEqual(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    // Trail bytes of code page 932 include ASCII letters, and folding them
    // would make different characters equal (0x83 0x41 is not 0x83 0x61).
    if (!utf8_ && IsCp932LeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::string_view IniDocument::NameOf(const Line& line) const {
  return std::string_view(bytes_).substr(line.name_begin, line.name_end - line.name_begin);
}

std::size_t IniDocument::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    if (NamesEqual(NameOf(headers_[i]), section)) return i;
  }
  return headers_.size();
}

IniDocument::KeySearch IniDocument::FindKey(std::size_t section_index, std::string_view key) const {
  KeySearch search;
  const std::size_t section_end =
      section_index + 1 < headers_.size() ? headers_[section_index + 1].begin : bytes_.size();
  for (std::size_t begin = headers_[section_index].end; begin < section_end;) {
    Line line = LineAt(begin);
    begin = line.end;
    if (!ParseKey(line)) continue;
    if (NamesEqual(NameOf(line), key)) {
      search.key = line;
      return search;
    }
    search.last_key = line;
  }
  return search;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty()) return std::nullopt;
  const std::size_t section_index = FindSection(section);
  if (section_index == headers_.size()) return std::nullopt;
  const std::optional<Line> line = FindKey(section_index, key).key;
  if (!line) return std::nullopt;
  return bytes_.substr(line->value_begin, line->value_end - line->value_begin);
}

void IniDocument::Set(std::string_view section, std::string_view key,
                      std::string_view value_bytes) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty()) return;
  std::string value(value_bytes);
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }

  const std::size_t section_index = FindSection(section);
  if (section_index == headers_.size()) {
    std::string added;
    if (bytes_.size() > body_begin_ && bytes_.back() != '\n') added += BreakToEndLastLine();
    added.append("[").append(section).append("]").append(line_break_);
    added.append(key).append("=").append(value).append(line_break_);
    bytes_ += added;
  } else {
    const KeySearch search = FindKey(section_index, key);
    if (search.key) {
      std::string replacement(NameOf(*search.key));
      replacement.append("=").append(value);
      bytes_.replace(search.key->begin, search.key->content_end - search.key->begin, replacement);
    } else {
      const Line& last = search.last_key ? *search.last_key : headers_[section_index];
      std::string added(key);
      added.append("=").append(value);
      if (last.end > last.content_end && bytes_[last.end - 1] == '\n') {
        bytes_.insert(last.end, added + line_break_);
      } else {
        // The last line of a file without a final line break: the new line
        // goes after it and the file still ends without one.
        bytes_.insert(last.end, BreakToEndLastLine() + added);
      }
    }
  }
  Index();
}

}  // namespace tabulon
