#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

// The two kinds of settings file we edit. Both keep `[Section]` groups of
// `key=value` lines and are edited the same way; they differ in how text is
// encoded and in the line ending given to a file that has none yet.
enum class IniDialect {
  // tabulon.ini as the Windows build left it: code page 932 unless the file
  // starts with a UTF-8 byte-order mark; CRLF for a new file.
  kWindowsProfile,
  // Our own per-user key files: UTF-8 with or without a byte-order mark; LF
  // for a new file.
  kUtf8KeyFile,
};

// An INI file held as its exact bytes. Edits touch only the line they change
// or add, so comments, blank lines, duplicates, stray bytes and line endings
// the user or the Windows build left behind survive every write.
//
// Names are matched after trimming spaces and tabs, ignoring ASCII case. The
// first matching section and the first matching key in it win. Arguments and
// results are raw bytes in the file's own encoding.
class IniDocument {
 public:
  explicit IniDocument(std::string bytes, IniDialect dialect = IniDialect::kWindowsProfile);

  // The value after the first '=' of the key's line, trimmed of spaces and
  // tabs; nothing when the section or key is missing or a name is empty.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // Replaces the key's line in place, else adds `key=value` after the last
  // key line of the section, else appends the section at the end of the file.
  // Does nothing when a trimmed name is empty. CR and LF in the value become
  // spaces, as one value must stay on one line.
  void Set(std::string_view section, std::string_view key, std::string_view value_bytes);

  const std::string& Bytes() const { return bytes_; }

  // Whether names and values are UTF-8 (a byte-order mark, or a UTF-8 key
  // file) rather than code page 932.
  bool IsUtf8() const { return utf8_; }

 private:
  // One line of the file, as offsets into bytes_.
  struct Line {
    std::size_t begin = 0;
    std::size_t content_end = 0;  // Where the line break starts.
    std::size_t end = 0;          // Past the line break; == content_end when there is none.
    std::size_t name_begin = 0;   // Section or key name, trimmed.
    std::size_t name_end = 0;
    std::size_t value_begin = 0;  // Key lines only: the value, trimmed.
    std::size_t value_end = 0;
  };

  // What a search of one section found.
  struct KeySearch {
    std::optional<Line> key;  // The first matching key line.
    std::optional<Line> last_key;
  };

  void Index();
  std::string BreakToEndLastLine() const;
  Line LineAt(std::size_t begin) const;
  bool ParseHeader(Line& line) const;
  bool ParseKey(Line& line) const;
  bool NamesEqual(std::string_view a, std::string_view b) const;
  std::string_view NameOf(const Line& line) const;
  // Index into headers_ of the first matching section, or headers_.size().
  std::size_t FindSection(std::string_view section) const;
  KeySearch FindKey(std::size_t section_index, std::string_view key) const;

  std::string bytes_;
  IniDialect dialect_;
  bool utf8_ = false;
  std::size_t body_begin_ = 0;  // Past the byte-order mark, if any.
  std::string line_break_;
  // Only section headers are indexed: files have few sections and many
  // keys, and the lines of one section are cheap to scan when asked for.
  std::vector<Line> headers_;
};

}  // namespace tabulon
