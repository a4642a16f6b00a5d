#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tabulon {

// Settings files are small; anything larger than this is not one of ours and
// is refused rather than read into memory.
inline constexpr std::size_t kMaxSettingsFileBytes = 64u << 20;

// What became of a file operation: no error, or the errno value that
// stopped it. Failures travel as these values, never through errno.
struct IoResult {
  int error = 0;
  bool ok() const { return error == 0; }
};

// How the temporary files of WriteFileAtomically begin.
inline constexpr const char* kTempFilePrefix = ".tabulon-";

// Removes from `folder` the temporary files left by saves that were killed
// halfway: ours by name and owner, untouched for over a minute and not
// locked by a save still running. Links and other files are left alone.
void RemoveStaleTempFiles(const std::string& folder);

// The reason a write failed, for the user, from the error it reported.
std::string WriteFailureReason(int error);

// The same for a file that could not be read.
std::string ReadFailureReason(int error);
// A reason put in brackets inside a sentence: "（…）", without its own full
// stop.
std::string InBrackets(const std::string& reason);

// Reads a whole regular file. On failure says why: ENOENT when nothing is at
// the path, EISDIR/EINVAL when it is not a regular file, EFBIG when it is
// larger than kMaxSettingsFileBytes.
IoResult ReadWholeFile(const std::string& path, std::string& out);

// Replaces the file's contents so that a crash or a full disk leaves either
// the old or the new contents, never a mix: the bytes go to a temporary file
// in the same folder, which is flushed and renamed over the target. A
// symbolic link is followed and stays a link; the old file's permission bits
// (and, where allowed, owner) carry over. A missing file is created with
// new_file_mode less the umask; the folder is not. On failure the old file
// is untouched and no temporary file is left behind.
IoResult WriteFileAtomically(const std::string& path, std::string_view bytes,
                             unsigned new_file_mode = 0644);

// Holds an exclusive advisory lock on "<path>.lock" for as long as it lives,
// so that two programs changing the same file one key at a time (the browser
// and the options program) never lose each other's keys between reading the
// file and renaming the new one over it. A lock that cannot be had (a
// read-only folder) is simply not held: the write goes ahead unguarded.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

// The one way settings files are changed: under the file's lock, reads it
// (a missing file reads as empty), lets `edit` change the bytes and, when
// they changed, replaces the file atomically in one write. A file that is
// there but cannot be read is left alone: writing over it would lose it.
// Either every change of `edit` lands or none does.
IoResult UpdateFile(const std::string& path, const std::function<void(std::string&)>& edit);

}  // namespace tabulon
