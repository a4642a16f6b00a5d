#include "settings/profile.h"

#include <cerrno>
#include <exception>
#include <new>

#include "settings/codepage.h"
#include "settings/file_io.h"
#include "settings/ini_document.h"

namespace tabulon {
namespace {

// Names and values travel in the file's encoding so they compare and store
// byte for byte.
std::string ToFileEncoding(const IniDocument& document, std::string_view utf8) {
  return document.IsUtf8() ? std::string(utf8) : Utf8ToCp932(utf8);
}

bool IsBlankName(std::string_view name) {
  return name.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key, int size,
                                    const std::string& path) {
  try {
    if (size <= 1) return {};
    std::string bytes;
    if (!ReadWholeFile(path, bytes).ok()) return {};
    const IniDocument document(std::move(bytes));
    const std::optional<std::string> value =
        document.Find(ToFileEncoding(document, section), ToFileEncoding(document, key));
    if (!value) return {};
    const std::string_view raw = *value;
    const auto limit = static_cast<std::size_t>(size) - 1;
    if (document.IsUtf8()) return SanitizeUtf8(raw.substr(0, Utf8PrefixLength(raw, limit)));
    return Cp932ToUtf8(raw.substr(0, Cp932PrefixLength(raw, limit)));
  } catch (const std::exception&) {
    return {};
  }
}

IoResult WritePrivateProfileStrings(const std::vector<ProfileEntry>& entries,
                                    const std::string& path) {
  try {
    return UpdateFile(path, [&entries](std::string& bytes) {
      IniDocument document(std::move(bytes));
      for (const ProfileEntry& entry : entries) {
        if (IsBlankName(entry.section) || IsBlankName(entry.key)) continue;
        document.Set(ToFileEncoding(document, entry.section), ToFileEncoding(document, entry.key),
                     ToFileEncoding(document, entry.value_utf8));
      }
      bytes = document.Bytes();
    });
  } catch (const std::bad_alloc&) {
    return {ENOMEM};
  } catch (const std::exception&) {
    return {EIO};
  }
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value_utf8, const std::string& path) {
  if (IsBlankName(section) || IsBlankName(key)) return false;
  return WritePrivateProfileStrings(
             {{std::string(section), std::string(key), std::string(value_utf8)}}, path)
      .ok();
}

}  // namespace tabulon
