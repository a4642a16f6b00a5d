#pragma once
#include <gio/gio.h>
#include <webkit2/webkit2.h>

namespace tabulon::gtk {

// Decodes again, in the encoding its bytes show, a page that declares none:
// once its load has finished, the page's bytes go through uchardet, and a
// page the engine read in another encoding is loaded again from those bytes.
class EncodingDetector {
 public:
  explicit EncodingDetector(WebKitWebView* view) : view_(view) {}
  ~EncodingDetector();
  EncodingDetector(const EncodingDetector&) = delete;
  EncodingDetector& operator=(const EncodingDetector&) = delete;

  void LoadFinished();
  // Whether the page shown was loaded again from its bytes: reloading it must
  // then fetch the address again rather than the same bytes.
  bool ShowsRedecodedPage() const { return shows_redecoded_; }

 private:
  static void OnData(GObject* resource, GAsyncResult* result, gpointer self);
  WebKitWebView* view_;
  GCancellable* pending_ = nullptr;
  bool redecoding_ = false;
  bool shows_redecoded_ = false;
};

}  // namespace tabulon::gtk
