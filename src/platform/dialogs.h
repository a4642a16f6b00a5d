#pragma once

namespace tabulon {

// The main window's way to its two modal dialogs.
class WindowDialogs {
 public:
  virtual ~WindowDialogs() = default;
  // "URLリスト": the favourites dialog, created on first use, shown modally.
  virtual void ShowFavourites() = 0;
  // "バージョン情報": the about box, created on use, shown modally.
  virtual void ShowAbout() = 0;
};

}  // namespace tabulon
