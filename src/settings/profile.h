#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "settings/file_io.h"

namespace tabulon {

// Stand-ins for the Windows calls the favourites file was written with, so
// tabulon.ini files carried over from Windows keep working both ways.
//
// Names and values are UTF-8 here. The file is code page 932 unless it starts
// with a UTF-8 byte-order mark, in which case it stays UTF-8 (mark kept).
// Neither function throws.

// The value of `key` in `section`, or "" when the file, section or key is
// missing or the file cannot be read. `size` counts bytes in the file's own
// encoding including a terminating NUL, as the Windows buffer did: at most
// size - 1 bytes are taken, never splitting a character, before conversion
// to UTF-8 (so the result may be longer than size - 1 bytes). Undecodable
// bytes read as U+FFFD.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, int size,
                                    const std::string& path);

// Sets `key` in `section` to `value_utf8`, creating the file or section as
// needed; an empty value leaves `key=`. Characters code page 932 cannot hold
// are written as '?'. The write is atomic (see WriteFileAtomically). Returns
// false, leaving the file as it was, when the file cannot be read or written
// or a name is empty.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value_utf8, const std::string& path);

// One key to set, as WritePrivateProfileString takes it.
struct ProfileEntry {
  std::string section;
  std::string key;
  std::string value_utf8;
};

// Sets the keys in order, in one locked read and one atomic write, leaving
// exactly the bytes the same calls of WritePrivateProfileString one after
// another would leave (an entry with a blank name is skipped, as that call
// refuses it). When the write fails, the file is as it was and the result
// says why.
IoResult WritePrivateProfileStrings(const std::vector<ProfileEntry>& entries,
                                    const std::string& path);

}  // namespace tabulon
