#pragma once
#include <webkit2/webkit2.h>

#include <string>

namespace tabulon::gtk {

class PageArea;

// Where the save dialog opens: $XDG_DOWNLOAD_DIR when set, else the user's
// Downloads folder, else the home folder.
std::string DownloadFolder();

// Makes every download of the context ask where to save, report to the
// status bar of the tab it came from, and clean up after itself. Safe to
// call more than once for the same context.
void WatchDownloads(WebKitWebContext* context);

// Cancels the downloads started from one tab's page (its Stop command);
// their partial files are removed.
void CancelDownloadsOf(PageArea* area);

// A closing tab: its downloads carry on, but report to nobody.
void ForgetArea(PageArea* area);

}  // namespace tabulon::gtk
