#pragma once
#include <functional>
#include <string>

namespace tabulon {

// Whether the user may create and replace files in `folder`.
using FolderCheck = std::function<bool(const std::string& folder)>;

// The real check: access(2) for writing, as the user the process runs as.
// A missing folder is not writable.
bool FolderWritable(const std::string& folder);

// Where an executable in `exe_folder` keeps tabulon.ini. A copy in a folder
// of the user's own (a portable copy) keeps it beside itself; an installed
// one (/usr/bin) cannot write there, so it keeps a per-user copy in
// <config_home>/Tabulon/, where the other per-user settings already live.
std::string SettingsFileFor(const std::string& exe_folder, const std::string& config_home,
                            const FolderCheck& writable);

// SettingsFileFor, with the per-user copy made ready for reading and saving:
// its folder exists and, the first time, it starts as a copy of the file
// beside the executable when there is one. A per-user file that exists is
// never replaced, so saved favourites outlive an upgrade of the file beside
// the executable. When the per-user folder cannot be made, the file beside
// the executable is returned so that its favourites still show (saving then
// fails and says so).
std::string PrepareSettingsFile(const std::string& exe_folder, const std::string& config_home,
                                const FolderCheck& writable);

}  // namespace tabulon
