#pragma once

namespace tabulon {

// The main window's way to its dialogs and to the downloads window.
class WindowDialogs {
 public:
  virtual ~WindowDialogs() = default;
  // "URLリスト": the favourites dialog, created on first use, shown modally.
  virtual void ShowFavourites() = 0;
  // "バージョン情報": the about box, created on use, shown modally.
  virtual void ShowAbout() = 0;
  // "ダウンロード": the downloads window, beside the main window (not modal).
  virtual void ShowDownloads() = 0;
  // "履歴": the history window, beside the main window (not modal).
  virtual void ShowHistory() {}
  // Asked before the program ends; false keeps it running.
  virtual bool AllowQuit() = 0;
};

}  // namespace tabulon
