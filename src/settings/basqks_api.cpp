#include "settings/basqks_api.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "settings/profile.h"

namespace tabulon {

std::string TrimNull(const std::string& s) {
  auto nul = s.find('\0');
  return nul == std::string::npos ? s : s.substr(0, nul);
}

std::string GetIniStr(const std::string& section, const std::string& key, std::int32_t size,
                      const std::string& file) {
  return TrimNull(GetPrivateProfileString(section, key, size, file));
}

bool PutIniStr(const std::string& section, const std::string& key, const std::string& value,
               const std::string& file) {
  return WritePrivateProfileString(section, key, value, file);
}

std::string FormAppDir(const std::string& exe_folder) {
  if (!exe_folder.empty() && exe_folder.back() == '/') return exe_folder;
  return exe_folder + "/";
}

std::string ExecutableFolder() {
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "/";
  std::string path(buf.data(), static_cast<size_t>(n));
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return "/";
  // The root folder keeps its slash; any other loses the trailing one.
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::int16_t ParseListMode(const std::string& mode_text) {
  if (mode_text.empty()) return 0;
  char c = mode_text[0];
  return (c >= '0' && c <= '9') ? static_cast<std::int16_t>(c - '0') : 0;
}

std::string SettingsFilePath(const AppState& state) {
  return state.SettingsFile.empty() ? state.AppDir + kIniFileName : state.SettingsFile;
}

void LoadSettings(AppState& state) {
  const std::string file = SettingsFilePath(state);
  for (int n = 1; n <= kFavouriteCount; ++n) {
    state.UrlList[n].Url = GetIniStr("URL", "URL" + std::to_string(n), 100, file);
    state.UrlList[n].Title = GetIniStr("TITLE", "TITLE" + std::to_string(n), 100, file);
  }
  state.ListMode = ParseListMode(GetIniStr("TABULON", "MODE", 2, file));
  state.UrlListStamp = SettingsFileStamp(state);
}

std::string SettingsFileStamp(const AppState& state) {
  struct stat info;
  if (stat(SettingsFilePath(state).c_str(), &info) != 0) return "";
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
         std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec) + ":" + std::to_string(info.st_ctim.tv_sec) + "." +
         std::to_string(info.st_ctim.tv_nsec);
}

void ReloadSettingsIfChanged(AppState& state) {
  const std::string now = SettingsFileStamp(state);
  // A file gone or unreadable for a moment must not empty the list.
  if (now.empty() || now == state.UrlListStamp) return;
  LoadSettings(state);
}

}  // namespace tabulon
