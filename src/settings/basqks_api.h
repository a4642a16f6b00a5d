#pragma once
#include <cstdint>
#include <string>

#include "base/state.h"

namespace tabulon {

// The part of s before its first NUL character.
std::string TrimNull(const std::string& s);

// One value of the settings file, cut to size - 1 bytes; "" when missing.
std::string GetIniStr(const std::string& section, const std::string& key, std::int32_t size,
                      const std::string& file);
// Writes key=value into section of file. Returns false when the file could
// not be written.
bool PutIniStr(const std::string& section, const std::string& key, const std::string& value,
               const std::string& file);

// AppDir from the executable's folder: always ending in "/".
std::string FormAppDir(const std::string& exe_folder);
// The folder of the running executable, read from the process itself.
std::string ExecutableFolder();

// The list display mode from the text of MODE, as a leading-number conversion
// of its first character reads it.
std::int16_t ParseListMode(const std::string& mode_text);

// Reads the 40 favourite values and the display mode of the settings file.
void LoadSettings(AppState& state);

// What tells one version of the settings file from another (its inode, size
// and times); "" when there is no file to see.
std::string SettingsFileStamp(const AppState& state);
// Reads the favourites again when another program (a second browser) has
// saved the settings file since they were read or saved here, so that
// editing them does not write back an old list over the other's changes.
void ReloadSettingsIfChanged(AppState& state);

// The settings file the program reads and saves: SettingsFile when set,
// else tabulon.ini in AppDir.
std::string SettingsFilePath(const AppState& state);

}  // namespace tabulon
