#include "settings/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace tabulon {
namespace {

// Closes a descriptor after a failure, keeping that failure's errno.
IoResult Failed(int fd) {
  const int error = errno;
  close(fd);
  return {error};
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links at the last path component only, so that the new
// file replaces what the link points to and the link survives. Links that
// point nowhere yet are followed too: writing through one creates its target.
// Returns 0, or the errno value that stopped it.
int ResolveLinks(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return 0;
    std::vector<char> link(static_cast<std::size_t>(PATH_MAX) + 1);
    const ssize_t length = readlink(target.c_str(), link.data(), link.size());
    if (length < 0) return errno;
    if (static_cast<std::size_t>(length) >= link.size()) return ENAMETOOLONG;
    std::string next(link.data(), static_cast<std::size_t>(length));
    target = next.starts_with('/') ? next : DirectoryOf(target) + "/" + next;
  }
  return ELOOP;
}

// The process umask, read without changing it (umask() would race with other
// threads creating files).
mode_t CurrentUmask() {
  mode_t mask = 022;
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
      unsigned int value = 0;
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = static_cast<mode_t>(value) & 0777;
        break;
      }
    }
    std::fclose(status);
  }
  return mask;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

void SyncDirectory(const std::string& directory) {
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // The rename has happened either way; a folder that cannot be flushed only
  // weakens durability, not the outcome.
  fsync(fd);
  close(fd);
}

}  // namespace

IoResult ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  // O_NONBLOCK keeps a FIFO at the path from hanging us before fstat sees it.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {errno};
  struct stat info;
  if (fstat(fd, &info) != 0) return Failed(fd);
  if (!S_ISREG(info.st_mode)) {
    close(fd);
    return {S_ISDIR(info.st_mode) ? EISDIR : EINVAL};
  }
  if (static_cast<std::size_t>(info.st_size) > kMaxSettingsFileBytes) {
    close(fd);
    return {EFBIG};
  }
  out.resize(static_cast<std::size_t>(info.st_size));
  std::size_t filled = 0;
  for (;;) {
    // The file may grow while we read; keep going until end of file.
    if (filled == out.size()) {
      if (out.size() >= kMaxSettingsFileBytes) {
        close(fd);
        out.clear();
        return {EFBIG};
      }
      out.resize(std::min(out.size() + 65536, kMaxSettingsFileBytes));
    }
    const ssize_t got = read(fd, out.data() + filled, out.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return Failed(fd);
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  close(fd);
  out.resize(filled);
  return {};
}

IoResult WriteFileAtomically(const std::string& path, std::string_view bytes,
                             unsigned new_file_mode) {
  if (path.empty()) return {ENOENT};
  std::string target;
  if (const int error = ResolveLinks(path, target)) return {error};

  struct stat old_info;
  const bool existed = stat(target.c_str(), &old_info) == 0;
  if (existed && !S_ISREG(old_info.st_mode)) return {S_ISDIR(old_info.st_mode) ? EISDIR : EINVAL};

  const std::string directory = DirectoryOf(target);
  // The name is cut so that the temporary name stays within NAME_MAX.
  std::string temp_path =
      directory + "/" + kTempFilePrefix + BaseNameOf(target).substr(0, 200) + ".XXXXXX";
  const int fd = mkostemp(temp_path.data(), O_CLOEXEC);
  if (fd < 0) return {errno};
  // Held until the file has its final name, so that a program starting
  // meanwhile does not take it for one left by a save that was killed.
  (void)flock(fd, LOCK_EX | LOCK_NB);

  // The first failure is the one reported.
  int error = 0;
  auto step = [&error](bool done) {
    if (!done && error == 0) error = errno ? errno : EIO;
  };
  if (existed) {
    step(fchmod(fd, old_info.st_mode & 07777) == 0);
    if (error == 0 && (old_info.st_uid != geteuid() || old_info.st_gid != getegid())) {
      // Only root can give the file back to its owner; others keep their own.
      (void)!fchown(fd, old_info.st_uid, old_info.st_gid);
      step(fchmod(fd, old_info.st_mode & 07777) == 0);  // chown clears set-id bits.
    }
  } else {
    step(fchmod(fd, static_cast<mode_t>(new_file_mode & 0777) & ~CurrentUmask()) == 0);
  }
  if (error == 0) step(WriteAll(fd, bytes));
  if (error == 0) step(fsync(fd) == 0);
  if (error == 0) step(rename(temp_path.c_str(), target.c_str()) == 0);
  if (error != 0) {
    unlink(temp_path.c_str());
    close(fd);
    return {error};
  }
  // The bytes were flushed before the rename; closing cannot lose them.
  close(fd);
  SyncDirectory(directory);
  return {};
}

FileLock::FileLock(const std::string& path) {
  fd_ = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return;
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd_);
      fd_ = -1;
      return;
    }
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

void RemoveStaleTempFiles(const std::string& folder) {
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (!name.starts_with(kTempFilePrefix)) continue;
    const std::string path = folder + "/" + name;
    // Only plain files of our own, untouched for a minute; never through a
    // link.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) continue;
    struct stat opened;
    struct stat named;
    const bool stale = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                       opened.st_uid == geteuid() && now - opened.st_mtime > 60 &&
                       flock(fd, LOCK_EX | LOCK_NB) == 0 && lstat(path.c_str(), &named) == 0 &&
                       named.st_ino == opened.st_ino && named.st_dev == opened.st_dev;
    if (stale) unlink(path.c_str());
    close(fd);
  }
  closedir(listing);
}

std::string WriteFailureReason(int error) {
  // Every reason is shown in a Japanese message box, so the C library's
  // (English) texts are never used; an error without a reason of its own is
  // named by its number.
  switch (error) {
    case EACCES:
    case EPERM: return "書き込みが許可されていません。";
    case EROFS: return "読み取り専用の場所です。";
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return "ディスクの空きが足りません。";
    case ENOENT:
    case ENOTDIR: return "フォルダーがありません。";
    case EISDIR: return "同じ名前のフォルダーがあります。";
    case EINVAL: return "通常のファイルではありません。";
    case ENAMETOOLONG: return "ファイルの名前が長すぎます。";
    case ELOOP: return "シンボリックリンクが多すぎるか、循環しています。";
    case EIO: return "ディスクの読み書きに失敗しました。";
    case ENOMEM: return "メモリが足りません。";
    case EBUSY:
    case ETXTBSY: return "ファイルが使用中です。";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます。";
    case 0: return "原因はわかりません。";
    default: return "システムのエラーです（エラー番号 " + std::to_string(error) + "）。";
  }
}

std::string InBrackets(const std::string& reason) {
  const std::string stop = "。";
  const bool stops = reason.size() >= stop.size() &&
                     reason.compare(reason.size() - stop.size(), stop.size(), stop) == 0;
  return "（" + (stops ? reason.substr(0, reason.size() - stop.size()) : reason) + "）";
}

std::string ReadFailureReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return "読むことが許可されていません。";
    case EFBIG: return "ファイルが大きすぎます。";
    case EISDIR: return "同じ名前のフォルダーがあります。";
    default: return WriteFailureReason(error);
  }
}

IoResult UpdateFile(const std::string& path, const std::function<void(std::string&)>& edit) {
  const FileLock lock(path);
  std::string bytes;
  const IoResult read = ReadWholeFile(path, bytes);
  if (!read.ok() && read.error != ENOENT) return read;
  const std::string before = bytes;
  edit(bytes);
  if (bytes == before && read.ok()) return {};
  if (bytes.empty() && !read.ok()) return {};  // nothing to write, nothing made
  return WriteFileAtomically(path, bytes);
}

}  // namespace tabulon
