#include "platform/gtk/web_engine.h"

namespace tabulon::gtk {

std::string EngineDataDir() { return std::string(g_get_user_data_dir()) + "/tabulon"; }
std::string EngineCacheDir() { return std::string(g_get_user_cache_dir()) + "/tabulon"; }

WebEngine::WebEngine(const std::string& data_dir, const std::string& cache_dir,
                     PageSource page_source)
    : page_source_(std::move(page_source)) {
  WebKitWebsiteDataManager* data = webkit_website_data_manager_new(
      "base-data-directory", data_dir.c_str(), "base-cache-directory", cache_dir.c_str(), nullptr);
  context_ = webkit_web_context_new_with_website_data_manager(data);
  g_object_unref(data);

  // Logins survive a restart: cookies live in a file, not in memory.
  g_mkdir_with_parents(data_dir.c_str(), 0700);
  std::string cookies = data_dir + "/cookies.sqlite";
  webkit_cookie_manager_set_persistent_storage(webkit_web_context_get_cookie_manager(context_),
                                               cookies.c_str(),
                                               WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);

  webkit_web_context_register_uri_scheme(context_, "tabulon", &WebEngine::OnSchemeRequest, this,
                                         nullptr);
  // Local: web pages can neither load nor read the program's own pages.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context_);
  webkit_security_manager_register_uri_scheme_as_local(security, "tabulon");
  webkit_security_manager_register_uri_scheme_as_secure(security, "tabulon");
}

WebEngine::~WebEngine() { g_object_unref(context_); }

void WebEngine::OnSchemeRequest(WebKitURISchemeRequest* request, gpointer self) {
  auto* engine = static_cast<WebEngine*>(self);
  const char* uri = webkit_uri_scheme_request_get_uri(request);
  std::string html;
  try {
    html = engine->page_source_(uri ? uri : "");
  } catch (...) {
    html.clear();
  }
  if (html.empty()) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no such page");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  gsize size = html.size();
  GInputStream* stream = g_memory_input_stream_new_from_data(g_memdup2(html.data(), size), size,
                                                             g_free);
  webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(size), "text/html");
  g_object_unref(stream);
}

}  // namespace tabulon::gtk
