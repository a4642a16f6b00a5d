#pragma once
#include <webkit2/webkit2.h>

#include <map>

#include "platform/browser.h"

namespace tabulon::gtk {

// The permission requests of one view's pages: each goes to the window as
// brwPage_PermissionRequest with a number of its own, and waits, held, for
// its answer. The kinds the window does not ask about are left to the
// engine, which refuses them.
class PagePermissions {
 public:
  PagePermissions(WebKitWebView* view, BrowserEvents& events, int index);
  ~PagePermissions();  // refuses what still waits
  PagePermissions(const PagePermissions&) = delete;
  PagePermissions& operator=(const PagePermissions&) = delete;

  void Answer(int request, bool allow);
  // The page that asked is gone: no answer can reach it now.
  void RefuseAll();

 private:
  static gboolean OnRequest(WebKitWebView* view, WebKitPermissionRequest* request, gpointer self);

  WebKitWebView* view_;
  BrowserEvents& events_;
  int index_;
  int last_request_ = 0;
  std::map<int, WebKitPermissionRequest*> waiting_;
};

}  // namespace tabulon::gtk
