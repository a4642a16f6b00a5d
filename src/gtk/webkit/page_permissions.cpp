#include "gtk/webkit/page_permissions.h"

#include <optional>
#include <string>

#include "gtk/guard.h"

namespace tabulon::gtk {

namespace {
std::optional<PermissionKind> KindOf(WebKitPermissionRequest* request) {
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return PermissionKind::kNotifications;
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return PermissionKind::kLocation;
  if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return PermissionKind::kClipboard;
  if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
    auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
    if (webkit_user_media_permission_is_for_display_device(media)) return PermissionKind::kScreen;
    const bool audio = webkit_user_media_permission_is_for_audio_device(media);
    const bool video = webkit_user_media_permission_is_for_video_device(media);
    if (audio && video) return PermissionKind::kCameraAndMicrophone;
    if (video) return PermissionKind::kCamera;
    if (audio) return PermissionKind::kMicrophone;
  }
  return std::nullopt;
}
}  // namespace

PagePermissions::PagePermissions(WebKitWebView* view, BrowserEvents& events, int index)
    : view_(WEBKIT_WEB_VIEW(g_object_ref(view))), events_(events), index_(index) {
  g_signal_connect(view_, "permission-request", G_CALLBACK(OnRequest), this);
}

PagePermissions::~PagePermissions() {
  g_signal_handlers_disconnect_by_data(view_, this);
  RefuseAll();
  g_object_unref(view_);
}

gboolean PagePermissions::OnRequest(WebKitWebView* view, WebKitPermissionRequest* request,
                                    gpointer self) {
  auto* p = static_cast<PagePermissions*>(self);
  const std::optional<PermissionKind> kind = KindOf(request);
  if (!kind) return FALSE;
  const int number = ++p->last_request_;
  p->waiting_[number] = WEBKIT_PERMISSION_REQUEST(g_object_ref(request));
  const char* uri = webkit_web_view_get_uri(view);
  const std::string url = uri ? uri : "";
  // The window may answer at once, from what it remembers.
  Guarded([&] { p->events_.brwPage_PermissionRequest(p->index_, number, *kind, url); });
  return TRUE;
}

void PagePermissions::Answer(int request, bool allow) {
  const auto found = waiting_.find(request);
  if (found == waiting_.end()) return;
  WebKitPermissionRequest* waiting = found->second;
  waiting_.erase(found);
  if (allow) {
    webkit_permission_request_allow(waiting);
  } else {
    webkit_permission_request_deny(waiting);
  }
  g_object_unref(waiting);
}

void PagePermissions::RefuseAll() {
  while (!waiting_.empty()) Answer(waiting_.begin()->first, false);
}

}  // namespace tabulon::gtk
