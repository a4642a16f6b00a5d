#include "settings/file_settings_store.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "settings/codepage.h"
#include "settings/file_io.h"
#include "settings/ini_document.h"

namespace tabulon {
namespace {

constexpr const char* kFileName = "settings.conf";

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

// mkdir -p: folders that already exist are fine, anything else in the way is
// not.
bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0755) != 0) {
      struct stat info;
      if (errno != EEXIST || stat(prefix.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
      }
    }
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

FileSettingsStore::FileSettingsStore(std::string base_folder)
    : base_folder_(std::move(base_folder)) {}

std::string FileSettingsStore::PathFor(const std::string& app) const {
  if (base_folder_.empty()) return {};
  std::string folder = app;
  for (char& c : folder) {
    if (c == '/' || c == '\0') c = '_';
  }
  if (folder.empty() || folder == "." || folder == "..") folder.insert(0, "_");
  return base_folder_ + "/" + folder + "/" + kFileName;
}

std::string FileSettingsStore::GetSetting(const std::string& app, const std::string& section,
                                          const std::string& key, const std::string& fallback) {
  try {
    std::string bytes;
    if (!ReadWholeFile(PathFor(app), bytes).ok()) return fallback;
    const IniDocument document(std::move(bytes), IniDialect::kUtf8KeyFile);
    const std::optional<std::string> value = document.Find(section, key);
    return value ? SanitizeUtf8(*value) : fallback;
  } catch (const std::exception&) {
    return fallback;
  }
}

IoResult FileSettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                        const std::string& key, const std::string& value) {
  try {
    const std::string path = PathFor(app);
    if (path.empty()) return {ENOENT};
    if (!MakeFolders(path.substr(0, path.rfind('/')))) return {errno};
    const IoResult saved = UpdateFile(path, [&](std::string& bytes) {
      IniDocument document(std::move(bytes), IniDialect::kUtf8KeyFile);
      document.Set(section, key, value);
      bytes = document.Bytes();
    });
    if (!saved.ok()) ReportFailed(path, saved.error);
    return saved;
  } catch (const std::bad_alloc&) {
    return {ENOMEM};
  } catch (const std::exception&) {
    return {EIO};
  }
}

void FileSettingsStore::ReportFailed(const std::string& path, int error) {
  if (!problems_) return;
  std::string bytes;
  const IoResult read = ReadWholeFile(path, bytes);
  if (!read.ok() && read.error != ENOENT) {
    // Writing over a file that cannot be read would lose what it holds.
    problems_->Report("settings-not-saved",
                      "設定ファイル " + path.substr(path.rfind('/') + 1) +
                          " を読めないため、そのまま残して設定を保存しません" +
                          InBrackets(ReadFailureReason(read.error)) + "。",
                      path);
  } else {
    problems_->Report("settings-not-saved",
                      "設定を保存できません" + InBrackets(WriteFailureReason(error)) + "。", path);
  }
}

std::string DefaultConfigHome(const char* xdg_config_home, const char* home,
                              const char* account_home) {
  if (IsAbsolute(xdg_config_home)) return xdg_config_home;
  for (const char* candidate : {home, account_home}) {
    if (!IsAbsolute(candidate)) continue;
    std::string folder = candidate;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder == "/" ? "/.config" : folder + "/.config";
  }
  return {};
}

std::string AccountHomeFolder() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  for (;;) {
    passwd entry;
    passwd* found = nullptr;
    const int error = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr || found->pw_dir == nullptr) return {};
    return found->pw_dir;
  }
}

}  // namespace tabulon
