#pragma once
#include <string>

// Rules of the page area that do not depend on the toolkit: how a download
// is named on disk, the zoom steps, and the texts the status bar and the
// find bar show.
namespace tabulon {

// What a server or a page suggests as a download's file name, made safe to
// join to the folder the user chose: no path separators, no "." or ".."
// walks, no control characters, no hidden files, not longer than a file
// system allows. Never empty.
std::string SafeDownloadName(const std::string& suggested);

// The name used when nothing usable is left of a suggestion.
inline constexpr const char* kDefaultDownloadName = "download";

// Zoom levels a page steps through, as factors of its normal size.
inline constexpr double kZoomSteps[] = {0.3,  0.5, 0.67, 0.8, 0.9, 1.0, 1.1,
                                        1.25, 1.5, 1.75, 2.0, 2.5, 3.0};
inline constexpr double kNormalZoom = 1.0;
// The next step above or below a level; the ends of the scale stay where
// they are. A level between steps (set some other way) goes to the nearest
// step in the wanted direction.
double ZoomIn(double level);
double ZoomOut(double level);

// "拡大率: 110%"
std::string ZoomText(double level);

// The find bar's count: "3 件", "見つかりません", "1000 件以上" once the
// engine stopped counting at max_counted.
std::string FindCountText(unsigned count, unsigned max_counted);

// Panel 1 while and after a download runs, with the file's name.
std::string DownloadStartedText(const std::string& name);
std::string DownloadDoneText(const std::string& name);
std::string DownloadFailedText(const std::string& name);
std::string DownloadCancelledText(const std::string& name);

}  // namespace tabulon
