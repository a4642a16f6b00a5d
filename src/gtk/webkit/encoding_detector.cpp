#include "gtk/webkit/encoding_detector.h"

#include <uchardet.h>

#include <string>

#include "browsing/page_encoding.h"

namespace tabulon::gtk {

EncodingDetector::~EncodingDetector() {
  if (pending_) {
    g_cancellable_cancel(pending_);
    g_object_unref(pending_);
  }
}

void EncodingDetector::LoadFinished() {
  // The load that re-decoded a page is the end of it.
  if (redecoding_) {
    redecoding_ = false;
    shows_redecoded_ = true;
    return;
  }
  shows_redecoded_ = false;
  WebKitWebResource* resource = webkit_web_view_get_main_resource(view_);
  if (!resource) return;
  WebKitURIResponse* response = webkit_web_resource_get_response(resource);
  const char* mime = response ? webkit_uri_response_get_mime_type(response) : nullptr;
  // A page visited again after it was decoded again comes from the engine's
  // cache without a type, and in the engine's default encoding: it is
  // looked at like any other page.
  const std::string type = mime ? mime : "";
  if (type != "text/html" && type != "text/plain" && !type.empty()) return;
  if (pending_) {
    g_cancellable_cancel(pending_);
    g_object_unref(pending_);
  }
  pending_ = g_cancellable_new();
  webkit_web_resource_get_data(resource, pending_, &EncodingDetector::OnData, this);
}

void EncodingDetector::OnData(GObject* source, GAsyncResult* result, gpointer self) {
  gsize length = 0;
  GError* error = nullptr;
  guchar* data =
      webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result, &length, &error);
  if (!data) {
    // Cancelled: the detector (and its view) may be gone; touch nothing.
    if (error) g_error_free(error);
    return;
  }
  auto* detector = static_cast<EncodingDetector*>(self);
  const std::string bytes(reinterpret_cast<const char*>(data), length);
  g_free(data);

  WebKitWebResource* resource = WEBKIT_WEB_RESOURCE(source);
  WebKitURIResponse* response = webkit_web_resource_get_response(resource);
  std::string content_type;
  if (SoupMessageHeaders* headers =
          response ? webkit_uri_response_get_http_headers(response) : nullptr) {
    const char* value = soup_message_headers_get_one(headers, "Content-Type");
    content_type = value ? value : "";
  }
  if (DeclaresCharset(content_type, bytes)) return;
  // Pictures and other binary files are not text in any encoding.
  if (bytes.find('\0') != std::string::npos) return;

  uchardet_t detector_handle = uchardet_new();
  uchardet_handle_data(detector_handle, bytes.data(), bytes.size());
  uchardet_data_end(detector_handle);
  const std::string detected = EngineCharsetName(uchardet_get_charset(detector_handle));
  uchardet_delete(detector_handle);
  if (detected.empty()) return;

  WebKitSettings* settings = webkit_web_view_get_settings(detector->view_);
  const char* used = webkit_settings_get_default_charset(settings);
  if (used && g_ascii_strcasecmp(used, detected.c_str()) == 0) return;

  const char* uri = webkit_web_resource_get_uri(resource);
  GBytes* page = g_bytes_new(bytes.data(), bytes.size());
  detector->redecoding_ = true;
  const char* mime = response ? webkit_uri_response_get_mime_type(response) : nullptr;
  webkit_web_view_load_bytes(detector->view_, page, mime && *mime ? mime : "text/html",
                             detected.c_str(), uri);
  g_bytes_unref(page);
}

}  // namespace tabulon::gtk
