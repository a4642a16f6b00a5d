#pragma once
#include <webkit2/webkit2.h>

#include <string>

#include "platform/downloads_toolkit.h"

namespace tabulon::gtk {

class PageArea;

// Where the save dialog opens: $XDG_DOWNLOAD_DIR when set, else the user's
// Downloads folder, else the home folder.
std::string DownloadFolder();

// Makes every download of the context ask where to save, report to the
// status bar of the tab it came from and to the downloads window, and clean
// up after itself. Safe to call more than once for the same context.
void WatchDownloads(WebKitWebContext* context);

// Where downloads are reported besides their tab; nullptr for nowhere.
void ReportDownloadsTo(DownloadEvents* events);

// A closing tab: its downloads carry on, but report to nobody; those not
// yet asked about (held for its 許可, or waiting for their save dialog) are
// dropped.
void ForgetArea(PageArea* area);

// The user allowed or refused the downloads the page held.
void HeldDownloadsAnswered(PageArea* area, bool allow);

// The engine's downloads as the downloads window drives them.
class EngineDownloads final : public DownloadControl {
 public:
  void Cancel(int id) override;
  void CancelAll() override;
};

}  // namespace tabulon::gtk
