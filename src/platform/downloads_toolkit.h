#pragma once
#include <cstdint>
#include <string>

namespace tabulon {

// What the engine reports of one download, by the number it gave it. A
// download is reported from the moment the user has chosen where to save
// it; one the user turned down in the save dialog is never reported.
class DownloadEvents {
 public:
  virtual ~DownloadEvents() = default;
  // name: the file's name as shown; path: where it is written.
  virtual void DownloadStarted(int id, const std::string& name, const std::string& path) = 0;
  // total: the size the server announced, -1 when it announced none.
  virtual void DownloadProgress(int id, std::int64_t received, std::int64_t total) = 0;
  virtual void DownloadFinished(int id) = 0;
  virtual void DownloadFailed(int id) = 0;
  // Cancelled other than through DownloadControl (the engine's own reasons).
  virtual void DownloadCancelled(int id) = 0;
};

// The engine's side of the downloads.
class DownloadControl {
 public:
  virtual ~DownloadControl() = default;
  // Stops one download and removes what it wrote so far.
  virtual void Cancel(int id) = 0;
  // Stops every unfinished download, those still asking where to save
  // included, and returns once nothing of theirs is left on disk: the
  // program is about to end.
  virtual void CancelAll() = 0;
};

// One line of the downloads window, as shown.
struct DownloadRow {
  std::string name;
  int percent = -1;  // the progress bar, 0 to 100; -1 when the size is unknown
  std::string size;
  std::string state;
  bool can_cancel = false;
  bool can_open = false;  // both 開く and フォルダーを開く
  bool operator==(const DownloadRow&) const = default;
};

// What the user does in the downloads window.
class DownloadsInput {
 public:
  virtual ~DownloadsInput() = default;
  virtual void CancelClicked(int id) = 0;
  virtual void OpenClicked(int id) = 0;
  virtual void OpenFolderClicked(int id) = 0;
};

// The window system's side of the downloads window: a window beside the
// main one (never modal), one line per download, newest first.
class DownloadsToolkit {
 public:
  virtual ~DownloadsToolkit() = default;
  // Where the buttons' clicks go; set once, before anything is shown.
  virtual void Attach(DownloadsInput& input) = 0;
  // Shows the window, or brings it to the front when it is shown already.
  virtual void ShowWindow() = 0;
  // Adds the line of a download not shown yet at the top, or changes its line.
  virtual void ShowRow(int id, const DownloadRow& row) = 0;
  // A question with はい and いいえ over the main window; true for はい.
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
  // A message box with an OK button over the downloads window.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  // Hands a file or folder to the program the desktop opens it with; false
  // when none could be started.
  virtual bool OpenWithDesktop(const std::string& path) = 0;
};

}  // namespace tabulon
