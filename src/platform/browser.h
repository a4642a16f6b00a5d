#pragma once
#include <cstdint>
#include <string>

#include "platform/controls.h"

namespace tabulon {

// What a page may ask the user for.
enum class PermissionKind {
  kNotifications,
  kLocation,
  kCameraAndMicrophone,
  kCamera,
  kMicrophone,
  kScreen,
  kClipboard,
};

// The browser control of one tab. Its container properties (geometry,
// visibility, tag) are those of a Control; the commands fail with a
// ControlError where the engine refuses them (no earlier page to go back to).
class BrowserControl : public Control {
 public:
  virtual void Navigate2(const std::string& url) = 0;
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual void GoHome() = 0;
  virtual void GoSearch() = 0;
  virtual void Refresh2() = 0;
  virtual void Stop() = 0;
  virtual std::string LocationURL() const = 0;
  virtual std::string LocationName() const = 0;
  // Runs a script in the page shown, as a bookmarklet typed in the URL box.
  virtual void RunBookmarklet(const std::string& script) = 0;
  // The back/forward list and where in it the page is, as bytes only this
  // control reads back; "" when it keeps none.
  virtual std::string History() const { return {}; }
  // Takes up a list History gave and loads its current page. False, with
  // nothing loaded, when the bytes hold no page.
  virtual bool RestoreHistory(const std::string& /*history*/) { return false; }
  // Navigate2, put off until the control is first shown.
  virtual void LoadWhenShown(const std::string& url) { Navigate2(url); }
  // Ends the engine process of a page that no longer answers. The page
  // shows that it was stopped; the other pages of that process come back
  // as after a crash.
  virtual void EndProcess() {}
  // Whether the page may be taken out of the engine to save memory: it is
  // loaded, plays no sound, and the user has not typed in it since it loaded
  // (a form not sent yet, a page that would ask before it is left).
  virtual bool Discardable() const { return false; }
  // Takes the page out of the engine and keeps its history: the control
  // loads it again when next shown, as after RestoreHistory. Its address
  // and title stay as they were.
  virtual void Discard() {}
  // Whether ads and trackers are blocked in this tab's pages (they are until
  // told otherwise). A page already shown keeps what it loaded.
  virtual void SetContentBlocking(bool /*enabled*/) {}
  // The answer to a request the page made (brwPage_PermissionRequest); one
  // already answered, or of a page gone, is let be.
  virtual void AnswerPermission(int /*request*/, bool /*allow*/) {}
};

// What the browser controls report, each with the index of the element that
// raised it.
class BrowserEvents {
 public:
  virtual ~BrowserEvents() = default;
  virtual void brwPage_StatusTextChange(int index, const std::string& text) = 0;
  virtual void brwPage_ProgressChange(int index, std::int32_t progress,
                                      std::int32_t progress_max) = 0;
  virtual void brwPage_DownloadComplete(int index) = 0;
  virtual void brwPage_TitleChange(int index, const std::string& text) = 0;
  virtual void brwPage_BeforeNavigate2(int index, const std::string& url) = 0;
  // Returns the cancel flag: true refuses the window the page asked for.
  // requested_url is the address the page asked for, "" when not known.
  virtual bool brwPage_NewWindow2(int index, const std::string& requested_url) = 0;
  virtual void brwPage_NavigateComplete2(int index) = 0;
  virtual void brwPage_WindowSetLeft(int index, std::int32_t left) = 0;
  virtual void brwPage_WindowSetTop(int index, std::int32_t top) = 0;
  virtual void brwPage_WindowSetWidth(int index, std::int32_t width) = 0;
  virtual void brwPage_WindowSetHeight(int index, std::int32_t height) = 0;
  // The engine process showing the page stopped (crashed, killed, out of
  // memory); now_ms is a monotonic clock reading.
  virtual void brwPage_ProcessTerminated(int index, std::int64_t now_ms) = 0;
  // The page's engine process stopped answering (false), or answers again.
  virtual void brwPage_Responsive(int /*index*/, bool /*responsive*/) {}
  // The page asks for a permission; url is its address. The answer goes back
  // through AnswerPermission with the same request number.
  virtual void brwPage_PermissionRequest(int /*index*/, int /*request*/, PermissionKind /*kind*/,
                                         const std::string& /*url*/) {}
  // Another page committed in the browser: the page shown before is gone.
  virtual void brwPage_PageGone(int /*index*/) {}
};

}  // namespace tabulon
