#include "browsing/search_page.h"

#include "browsing/crash_page.h"
#include "browsing/internet_settings.h"
#include "browsing/start_page.h"

namespace tabulon {

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::string SearchPageHtml(const std::string& search_address) {
  // The address goes into the page only as escaped attribute and text
  // content; the script is fixed text and reads the address back from the
  // attribute, so no quote or "</script>" in the address can end either.
  const std::string address = HtmlEscape(search_address);
  return "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
         "<title>検索 - Tabulon</title><style>"
         "body{font-family:sans-serif;margin:2em;background:#f4f6fb;color:#222}"
         "h1{font-size:1.8em;margin:0 0 .6em;color:#3b4a9c}"
         "form{display:flex;gap:.5em;max-width:40em}"
         "input{flex:1;font-size:1.1em;padding:.3em .5em}"
         "button{font-size:1.1em;padding:.3em 1em}"
         "p.to{color:#777;font-size:.85em;word-break:break-all}"
         "</style></head><body><h1>検索</h1>"
         "<form id=\"search\" data-address=\"" +
         address +
         "\"><input id=\"query\" type=\"search\" autofocus "
         "placeholder=\"検索する言葉\" aria-label=\"検索する言葉\">"
         "<button type=\"submit\">検索</button></form>"
         "<p class=\"to\">検索先: " +
         address +
         "</p><script>"
         "document.getElementById('search').addEventListener('submit',function(e){"
         "e.preventDefault();"
         "var q=document.getElementById('query').value;"
         "if(!q.trim())return;"
         "var a=this.getAttribute('data-address');"
         "var at=a.indexOf('%s');"
         "if(at<0)return;"
         "location.href=a.slice(0,at)+encodeURIComponent(q)+a.slice(at+2);"
         "});"
         "</script></body></html>";
}

std::string BuiltInPageHtml(const std::string& uri, const AppState& state, SettingsStore& store) {
  if (StartsWith(uri, kHomeUrl)) return StartPageHtml(state);
  if (StartsWith(uri, kSearchUrl)) return SearchPageHtml(ReadSearchAddress(store));
  if (StartsWith(uri, kCrashUrl)) return CrashPageHtml(uri);
  return "";
}

}  // namespace tabulon
