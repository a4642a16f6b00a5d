#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/downloads_toolkit.h"

namespace tabulon {

enum class DownloadState { Running, Done, Cancelled, Failed };

inline constexpr const char* kDownloadsCaption = "ダウンロード";
inline constexpr const char* kQuitWithDownloadsQuestion =
    "ダウンロード中のファイルがあります。中止して終了しますか?";

// The texts of a download's line.
std::string DownloadStateText(DownloadState state);
// A number of bytes as the user reads it: "512 バイト", "1.5 KB", "2.0 GB".
std::string ByteCountText(std::int64_t bytes);
// "received / total" while the size is known and the transfer runs, else
// what has arrived.
std::string DownloadSizeText(std::int64_t received, std::int64_t total, DownloadState state);

// The downloads window: every download of the session with its progress,
// size and state, and what may be done with it. Finished ones stay listed
// until the program ends; nothing of the list is kept on disk.
// Toolkit-free: the toolkit shows the lines it is given.
class DownloadsWindow final : public DownloadEvents, public DownloadsInput {
 public:
  DownloadsWindow(DownloadsToolkit& toolkit, DownloadControl& control);
  DownloadsWindow(const DownloadsWindow&) = delete;
  DownloadsWindow& operator=(const DownloadsWindow&) = delete;

  // Ctrl+J and the settings menu's item.
  void Show();
  bool AnyRunning() const;
  // Before the program ends: with a transfer running the user is asked
  // first, and false keeps the program running. Otherwise every unfinished
  // download is cancelled, its files removed, and the answer is true.
  bool AllowQuit();
  // The line of a download as last shown; nullptr for an unknown id.
  const DownloadRow* Row(int id) const;

  void DownloadStarted(int id, const std::string& name, const std::string& path) override;
  void DownloadProgress(int id, std::int64_t received, std::int64_t total) override;
  void DownloadFinished(int id) override;
  void DownloadFailed(int id) override;
  void DownloadCancelled(int id) override;

  void CancelClicked(int id) override;
  void OpenClicked(int id) override;
  void OpenFolderClicked(int id) override;

 private:
  struct Entry {
    int id = 0;
    std::string name, path;
    std::int64_t received = 0, total = -1;
    DownloadState state = DownloadState::Running;
    DownloadRow shown;
    bool ever_shown = false;
  };
  Entry* Find(int id);
  // Only a running download changes state; a late report of the engine
  // about one the user cancelled changes nothing.
  void End(int id, DownloadState state);
  void Refresh(Entry& entry);
  void Open(const Entry& entry, const std::string& path);

  DownloadsToolkit& toolkit_;
  DownloadControl& control_;
  std::vector<Entry> entries_;
};

}  // namespace tabulon
