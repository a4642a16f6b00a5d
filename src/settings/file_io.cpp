#include "settings/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tabulon {
namespace {

// Closes a descriptor without disturbing the errno of the failure that led
// here.
void CloseKeepingErrno(int fd) {
  const int saved = errno;
  close(fd);
  errno = saved;
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
bool ResolveLinks(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    std::vector<char> link(static_cast<std::size_t>(PATH_MAX) + 1);
    const ssize_t length = readlink(target.c_str(), link.data(), link.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) >= link.size()) {
      errno = ENAMETOOLONG;
      return false;
    }
    std::string next(link.data(), static_cast<std::size_t>(length));
    target = next.starts_with('/') ? next : DirectoryOf(target) + "/" + next;
  }
  errno = ELOOP;
  return false;
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

bool ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  // O_NONBLOCK keeps a FIFO at the path from hanging us before fstat sees it.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0) {
    CloseKeepingErrno(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    close(fd);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  if (static_cast<std::size_t>(info.st_size) > kMaxSettingsFileBytes) {
    close(fd);
    errno = EFBIG;
    return false;
  }
  out.resize(static_cast<std::size_t>(info.st_size));
  std::size_t filled = 0;
  for (;;) {
    // The file may grow while we read; keep going until end of file.
    if (filled == out.size()) {
      if (out.size() >= kMaxSettingsFileBytes) {
        close(fd);
        out.clear();
        errno = EFBIG;
        return false;
      }
      out.resize(std::min(out.size() + 65536, kMaxSettingsFileBytes));
    }
    const ssize_t got = read(fd, out.data() + filled, out.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      CloseKeepingErrno(fd);
      out.clear();
      return false;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  close(fd);
  out.resize(filled);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  std::string target;
  if (path.empty() || !ResolveLinks(path, target)) return false;

  struct stat old_info;
  const bool existed = stat(target.c_str(), &old_info) == 0;
  if (existed && !S_ISREG(old_info.st_mode)) return false;

  const std::string directory = DirectoryOf(target);
  // The name is cut so that the temporary name stays within NAME_MAX.
  std::string temp_path = directory + "/.tabulon-" + BaseNameOf(target).substr(0, 200) + ".XXXXXX";
  const int fd = mkostemp(temp_path.data(), O_CLOEXEC);
  if (fd < 0) return false;

  bool ok = true;
  if (existed) {
    ok = fchmod(fd, old_info.st_mode & 07777) == 0;
    if (ok && (old_info.st_uid != geteuid() || old_info.st_gid != getegid())) {
      // Only root can give the file back to its owner; others keep their own.
      (void)!fchown(fd, old_info.st_uid, old_info.st_gid);
      ok = fchmod(fd, old_info.st_mode & 07777) == 0;  // chown clears set-id bits.
    }
  } else {
    ok = fchmod(fd, 0644 & ~CurrentUmask()) == 0;
  }
  ok = ok && WriteAll(fd, bytes) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  ok = ok && rename(temp_path.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp_path.c_str());
    return false;
  }
  SyncDirectory(directory);
  return true;
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

}  // namespace tabulon
