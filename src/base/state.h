#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace tabulon {

// One favourite.
struct UrlEntry {
  std::string Url;
  std::string Title;
  std::int16_t Spare = 0;
};

inline constexpr int kFavouriteCount = 20;
inline constexpr int kMaxTabs = 100;
inline constexpr const char* kAppTitle = "Tabulon";
inline constexpr const char* kIniFileName = "tabulon.ini";
// The browser's program, beside the options program, and how it is asked
// for a private window.
inline constexpr const char* kBrowserProgram = "tabulon";
inline constexpr const char* kPrivateOption = "--private";

// The process-wide state shared by the windows. Created once by the
// composition root and handed around by reference.
struct AppState {
  std::string AppDir;  // ends in "/"
  // The settings file when it is not the one beside the executable: the
  // per-user copy an installed browser reads and saves.
  std::string SettingsFile;
  std::array<UrlEntry, kFavouriteCount + 1> UrlList;  // entries 1 to 20; 0 unused
  // Which version of the settings file UrlList was read from or saved to
  // (see SettingsFileStamp); "" when there was no file.
  std::string UrlListStamp;
  std::int16_t TabCount = 0;
  std::uint16_t CurTab = 0;
  std::int16_t ListMode = 0;
  std::string CommandLine;  // the program's arguments joined by single spaces
  // A private window: nothing of its browsing is kept (cookies, cache,
  // history, session), and its caption says so.
  bool Private = false;
};

}  // namespace tabulon
