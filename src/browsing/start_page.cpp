#include "browsing/start_page.h"

namespace tabulon {

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string HotKeyText(int n) {
  if (n >= 1 && n <= 9) return "Ctrl + " + std::to_string(n);
  if (n == 10) return "Ctrl + 0";
  if (n >= 11 && n <= 19) return "Ctrl + Shift + " + std::to_string(n - 10);
  return "Ctrl + Shift + 0";
}

namespace {
// Only ordinary web and file addresses become links; anything else (script
// addresses above all) is shown as text, so the start page never runs what a
// settings file smuggles in.
bool LinkableAddress(const std::string& url) {
  auto starts = [&](const char* prefix) { return url.rfind(prefix, 0) == 0; };
  return starts("http://") || starts("https://") || starts("file:") || starts("ftp://");
}
}  // namespace

std::string StartPageHtml(const AppState& state) {
  std::string html =
      "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
      "<title>Tabulon</title><style>"
      "body{font-family:sans-serif;margin:2em;background:#f4f6fb;color:#222}"
      "h1{font-size:1.8em;margin:0 0 .2em;color:#3b4a9c}"
      "p.sub{margin:0 0 1.2em;color:#555}"
      "table{border-collapse:collapse;background:#fff}"
      "td,th{padding:.25em .8em;border-bottom:1px solid #dde}"
      "th{text-align:left;background:#e6e9f5}"
      "td.key{white-space:nowrap;color:#555}td.empty{color:#aaa}"
      "</style></head><body><h1>Tabulon</h1>"
      "<p class=\"sub\">お気に入り</p><table><tr><th>ホットキー</th><th>ページ</th></tr>";
  for (int n = 1; n <= kFavouriteCount; ++n) {
    const UrlEntry& entry = state.UrlList[n];
    html += "<tr><td class=\"key\">" + HtmlEscape(HotKeyText(n)) + "</td>";
    const std::string& shown = entry.Title.empty() ? entry.Url : entry.Title;
    if (entry.Url.empty()) {
      html += "<td class=\"empty\">-</td>";
    } else if (LinkableAddress(entry.Url)) {
      html += "<td><a href=\"" + HtmlEscape(entry.Url) + "\">" + HtmlEscape(shown) + "</a></td>";
    } else {
      html += "<td>" + HtmlEscape(shown) + "</td>";
    }
    html += "</tr>";
  }
  html += "</table></body></html>";
  return html;
}

}  // namespace tabulon
