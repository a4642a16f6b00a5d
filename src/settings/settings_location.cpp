#include "settings/settings_location.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/state.h"
#include "settings/file_io.h"

namespace tabulon {

namespace {

constexpr const char* kUserFolderName = "Tabulon";

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool ReadAll(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Copies `from` to `to` unless `to` exists. The copy is written under a
// temporary name and linked into place, so a copy cut short never becomes
// the per-user file (which would then never be copied again), and a second
// browser starting at the same moment cannot replace a file the first has
// already saved favourites into.
void CopyIfMissing(const std::string& from, const std::string& to) {
  std::string bytes;
  if (!ReadAll(from, bytes)) return;
  const std::size_t slash = to.find_last_of('/');
  std::string temp = to.substr(0, slash + 1) + kTempFilePrefix + to.substr(slash + 1) + ".XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return;
  (void)::flock(fd, LOCK_EX | LOCK_NB);  // not a killed save's leftover
  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ::close(fd);
  if (written) (void)::link(temp.c_str(), to.c_str());  // EEXIST: someone was first
  ::unlink(temp.c_str());
}

}  // namespace

bool FolderWritable(const std::string& folder) {
  return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string SettingsFileFor(const std::string& exe_folder, const std::string& config_home,
                            const FolderCheck& writable) {
  if (writable(exe_folder)) return Join(exe_folder, kIniFileName);
  return Join(Join(config_home, kUserFolderName), kIniFileName);
}

std::string PrepareSettingsFile(const std::string& exe_folder, const std::string& config_home,
                                const FolderCheck& writable) {
  const std::string beside = Join(exe_folder, kIniFileName);
  const std::string file = SettingsFileFor(exe_folder, config_home, writable);
  if (file == beside) return file;
  std::error_code error;
  std::filesystem::create_directories(Join(config_home, kUserFolderName), error);
  if (error) return beside;
  if (!Exists(file) && Exists(beside)) CopyIfMissing(beside, file);
  return file;
}

}  // namespace tabulon
