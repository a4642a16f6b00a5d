#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace tabulon {

// Settings files are small; anything larger than this is not one of ours and
// is refused rather than read into memory.
inline constexpr std::size_t kMaxSettingsFileBytes = 64u << 20;

// Reads a whole regular file. On failure returns false with errno telling why:
// ENOENT when nothing is at the path, EISDIR/EINVAL when it is not a regular
// file, EFBIG when it is larger than kMaxSettingsFileBytes.
bool ReadWholeFile(const std::string& path, std::string& out);

// Replaces the file's contents so that a crash or a full disk leaves either
// the old or the new contents, never a mix: the bytes go to a temporary file
// in the same folder, which is flushed and renamed over the target. A
// symbolic link is followed and stays a link; the old file's permission bits
// (and, where allowed, owner) carry over. A missing file is created; the
// folder is not. On failure the old file is untouched and no temporary file
// is left behind.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace tabulon
