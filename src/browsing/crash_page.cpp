#include "browsing/crash_page.h"

#include "browsing/start_page.h"

namespace tabulon {

namespace {
bool IsLinkable(const std::string& url) {
  return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0 ||
         url.rfind("file:", 0) == 0;
}

const char* ReasonText(LoadFailure why) {
  switch (why) {
    case LoadFailure::kHostNotFound:
      return "サーバーが見つかりませんでした。アドレスが正しいか確かめてください。";
    case LoadFailure::kConnectionRefused: return "サーバーに接続を拒否されました。";
    case LoadFailure::kTimedOut: return "サーバーから応答がないまま、時間切れになりました。";
    case LoadFailure::kFileNotFound: return "ファイルが見つかりませんでした。";
    case LoadFailure::kOther: break;
  }
  return "通信に失敗しました。";
}
}  // namespace

std::string PercentEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '~';
    if (unreserved) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string PercentDecode(const std::string& text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string CrashPageAddress(const std::string& url) {
  return std::string(kCrashUrl) + "?url=" + PercentEncode(url);
}

std::string CrashPageHtml(const std::string& crash_address) {
  std::string url;
  const auto query = crash_address.find("?url=");
  if (query != std::string::npos) url = PercentDecode(crash_address.substr(query + 5));
  // Only a web or file address becomes a link: the crash page must not be a
  // way to run a script address someone put in the query.
  const bool linkable = IsLinkable(url);
  std::string html =
      "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
      "<title>ページが停止しました</title><style>"
      "body{font-family:sans-serif;margin:2em;color:#222}h1{font-size:1.4em;color:#9c3b3b}"
      "</style></head><body><h1>ページが停止しました</h1>"
      "<p>このページを表示していたプロセスがくり返し停止したため、表示を中止しました。</p>";
  if (!url.empty()) {
    html += "<p>" + HtmlEscape(url) + "</p>";
    if (linkable) html += "<p><a href=\"" + HtmlEscape(url) + "\">再読み込み</a></p>";
  }
  html += "</body></html>";
  return html;
}

}  // namespace tabulon

namespace tabulon {

std::string CertificateErrorPageHtml(const std::string& url) {
  return "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
         "<title>接続の安全性を確認できません</title><style>"
         "body{font-family:sans-serif;margin:2em;color:#222}h1{font-size:1.4em;color:#9c3b3b}"
         "</style></head><body><h1>接続の安全性を確認できません</h1>"
         "<p>このサイトの証明書を信頼できないため、ページを開きませんでした。</p><p>" +
         HtmlEscape(url) + "</p></body></html>";
}

}  // namespace tabulon

namespace tabulon {

std::string LoadErrorPageHtml(const std::string& url, LoadFailure why) {
  std::string html =
      "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
      "<title>ページを開けませんでした</title><style>"
      "body{font-family:sans-serif;margin:2em;color:#222}h1{font-size:1.4em;color:#9c3b3b}"
      "</style></head><body><h1>ページを開けませんでした</h1><p>" +
      std::string(ReasonText(why)) + "</p><p>" + HtmlEscape(url) + "</p>";
  if (IsLinkable(url)) html += "<p><a href=\"" + HtmlEscape(url) + "\">再読み込み</a></p>";
  return html + "</body></html>";
}

std::string StoppedPageHtml(const std::string& url) {
  std::string html =
      "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
      "<title>ページを停止しました</title><style>"
      "body{font-family:sans-serif;margin:2em;color:#222}h1{font-size:1.4em;color:#9c3b3b}"
      "</style></head><body><h1>ページを停止しました</h1>"
      "<p>このページが応答しなくなったため、停止しました。</p><p>" +
      HtmlEscape(url) + "</p>";
  if (IsLinkable(url)) html += "<p><a href=\"" + HtmlEscape(url) + "\">再読み込み</a></p>";
  return html + "</body></html>";
}

}  // namespace tabulon
