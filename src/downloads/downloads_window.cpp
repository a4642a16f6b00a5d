#include "downloads/downloads_window.h"

#include <algorithm>
#include <cstdio>

namespace tabulon {

std::string DownloadStateText(DownloadState state) {
  switch (state) {
    case DownloadState::Running: return "ダウンロード中";
    case DownloadState::Done: return "完了";
    case DownloadState::Cancelled: return "中止";
    case DownloadState::Failed: return "失敗";
  }
  return "";
}

std::string ByteCountText(std::int64_t bytes) {
  if (bytes < 1024) return std::to_string(std::max<std::int64_t>(bytes, 0)) + " バイト";
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024.0;
  int unit = 0;
  // 1023.96 KB would read "1024.0 KB": the next unit takes over where the
  // rounded figure would reach it.
  while (value >= 1023.95 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string DownloadSizeText(std::int64_t received, std::int64_t total, DownloadState state) {
  if (state == DownloadState::Running && total > 0) {
    return ByteCountText(received) + " / " + ByteCountText(total);
  }
  return ByteCountText(received);
}

DownloadsWindow::DownloadsWindow(DownloadsToolkit& toolkit, DownloadControl& control)
    : toolkit_(toolkit), control_(control) {
  toolkit_.Attach(*this);
}

void DownloadsWindow::Show() { toolkit_.ShowWindow(); }

bool DownloadsWindow::AnyRunning() const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [](const Entry& e) { return e.state == DownloadState::Running; });
}

bool DownloadsWindow::AllowQuit() {
  if (AnyRunning()) {
    // The window shows which files the question is about.
    Show();
    if (!toolkit_.AskYesNo(kQuitWithDownloadsQuestion, kDownloadsCaption)) return false;
  }
  for (Entry& entry : entries_) {
    if (entry.state != DownloadState::Running) continue;
    entry.state = DownloadState::Cancelled;
    Refresh(entry);
  }
  control_.CancelAll();
  return true;
}

const DownloadRow* DownloadsWindow::Row(int id) const {
  for (const Entry& entry : entries_) {
    if (entry.id == id) return &entry.shown;
  }
  return nullptr;
}

DownloadsWindow::Entry* DownloadsWindow::Find(int id) {
  for (Entry& entry : entries_) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

void DownloadsWindow::DownloadStarted(int id, const std::string& name, const std::string& path) {
  if (Find(id)) return;
  Entry entry;
  entry.id = id;
  entry.name = name;
  entry.path = path;
  entries_.push_back(entry);
  Refresh(entries_.back());
}

void DownloadsWindow::DownloadProgress(int id, std::int64_t received, std::int64_t total) {
  Entry* entry = Find(id);
  if (!entry || entry->state != DownloadState::Running) return;
  entry->received = received;
  entry->total = total;
  Refresh(*entry);
}

void DownloadsWindow::DownloadFinished(int id) {
  if (Entry* entry = Find(id); entry && entry->state == DownloadState::Running) {
    // A server that announced no size has sent all there is.
    if (entry->total < 0) entry->total = entry->received;
  }
  End(id, DownloadState::Done);
}

void DownloadsWindow::DownloadFailed(int id) { End(id, DownloadState::Failed); }
void DownloadsWindow::DownloadCancelled(int id) { End(id, DownloadState::Cancelled); }

void DownloadsWindow::End(int id, DownloadState state) {
  Entry* entry = Find(id);
  if (!entry || entry->state != DownloadState::Running) return;
  entry->state = state;
  Refresh(*entry);
}

void DownloadsWindow::CancelClicked(int id) {
  Entry* entry = Find(id);
  if (!entry || entry->state != DownloadState::Running) return;
  entry->state = DownloadState::Cancelled;
  control_.Cancel(id);
  Refresh(*entry);
}

void DownloadsWindow::OpenClicked(int id) {
  if (Entry* entry = Find(id)) Open(*entry, entry->path);
}

void DownloadsWindow::OpenFolderClicked(int id) {
  Entry* entry = Find(id);
  if (!entry) return;
  const std::size_t cut = entry->path.find_last_of('/');
  Open(*entry, cut == std::string::npos ? "." : cut == 0 ? "/" : entry->path.substr(0, cut));
}

void DownloadsWindow::Open(const Entry& entry, const std::string& path) {
  // Only a complete file is worth handing on; a partial one is gone.
  if (entry.state != DownloadState::Done) return;
  if (!toolkit_.OpenWithDesktop(path)) {
    toolkit_.ShowMessage("開けませんでした: " + path, kDownloadsCaption);
  }
}

void DownloadsWindow::Refresh(Entry& entry) {
  DownloadRow row;
  row.name = entry.name;
  if (entry.total > 0) {
    row.percent =
        static_cast<int>(std::clamp<std::int64_t>(entry.received * 100 / entry.total, 0, 100));
  } else if (entry.state == DownloadState::Done) {
    row.percent = 100;
  }
  row.size = DownloadSizeText(entry.received, entry.total, entry.state);
  row.state = DownloadStateText(entry.state);
  row.can_cancel = entry.state == DownloadState::Running;
  row.can_open = entry.state == DownloadState::Done;
  // Data arrives in many small pieces; the line changes only when its text does.
  if (entry.ever_shown && row == entry.shown) return;
  entry.shown = row;
  entry.ever_shown = true;
  toolkit_.ShowRow(entry.id, row);
}

}  // namespace tabulon
