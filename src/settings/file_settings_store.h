#pragma once
#include <string>

#include "base/problems.h"
#include "settings/settings_store.h"

namespace tabulon {

// Keeps each application's settings in <base>/<app>/settings.conf, a UTF-8
// key file of `[Section]` groups and `key=value` lines (new files use LF and
// no byte-order mark). Section and key names match regardless of ASCII case;
// values lose surrounding spaces and tabs, and CR/LF inside a value become
// spaces. Bytes that are not UTF-8 read back as U+FFFD.
//
// A file that cannot be read yields the fallback; a save that cannot be
// written leaves the file as it was and says why. A store without a base
// folder reads every setting as its fallback and saves nothing.
class FileSettingsStore final : public SettingsStore {
 public:
  explicit FileSettingsStore(std::string base_folder);
  // Saves that fail are also told to the user there (the browser's window);
  // without, only the caller hears of them.
  void SetProblems(Problems* problems) { problems_ = problems; }

  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& fallback) override;
  IoResult SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& value) override;

  // Where the file for `app` lives. An application name cannot climb out of
  // the base folder: '/' becomes '_', and "", "." and ".." get a '_' prefix.
  std::string PathFor(const std::string& app) const;

 private:
  void ReportFailed(const std::string& path, int error);

  std::string base_folder_;
  Problems* problems_ = nullptr;
};

// The folder per-user settings belong in, from the values of $XDG_CONFIG_HOME
// and $HOME and the home folder in the user database (any may be null):
// $XDG_CONFIG_HOME when it is an absolute path, else <home>/.config for the
// first absolute one of $HOME and the database's. Without any, "": there is
// no per-user folder. A shared folder such as /tmp is never used, since
// another local user could create the settings there first.
std::string DefaultConfigHome(const char* xdg_config_home, const char* home,
                              const char* account_home);

// The home folder the user database gives the user the process runs as, or
// "" when it has none.
std::string AccountHomeFolder();

}  // namespace tabulon
