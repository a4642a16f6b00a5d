#include "browsing/site_permissions.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "base/state.h"

namespace tabulon {

namespace {

// All answers live in one value, "<site> <kind> <1|0>" joined by ';', so
// that the options program can list them; sites hold neither ' ' nor ';'.
constexpr const char* kPermissionsSection = "Permissions";
constexpr const char* kAnswersKey = "Answers";

struct KindText {
  PermissionKind kind;
  const char* key;   // as stored
  const char* what;  // as asked and listed
};
constexpr std::array<KindText, 7> kKinds{{
    {PermissionKind::kNotifications, "notifications", "通知の表示"},
    {PermissionKind::kLocation, "location", "位置情報の利用"},
    {PermissionKind::kCameraAndMicrophone, "camera+microphone", "カメラとマイクの利用"},
    {PermissionKind::kCamera, "camera", "カメラの利用"},
    {PermissionKind::kMicrophone, "microphone", "マイクの利用"},
    {PermissionKind::kScreen, "screen", "画面の共有"},
    {PermissionKind::kClipboard, "clipboard", "クリップボードの読み取り"},
}};

const KindText& TextOf(PermissionKind kind) {
  for (const KindText& text : kKinds) {
    if (text.kind == kind) return text;
  }
  return kKinds[0];
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

// One entry exactly as Save writes it: site, kind and answer, one space
// apart, nothing before or after. Anything else was edited by hand and is
// not followed: a grant read from a damaged entry would be one the user
// never gave.
std::optional<RememberedPermission> ParseEntry(std::string_view entry) {
  const std::size_t first = entry.find(' ');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = entry.find(' ', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const std::string_view site = entry.substr(0, first);
  const std::string_view key = entry.substr(first + 1, second - first - 1);
  const std::string_view allowed = entry.substr(second + 1);
  if (allowed != "1" && allowed != "0") return std::nullopt;
  // Only what PermissionSiteOf could have made.
  if (site.empty() || PermissionSiteOf(site) != site) return std::nullopt;
  const auto kind = std::find_if(kKinds.begin(), kKinds.end(),
                                 [&](const KindText& text) { return key == text.key; });
  if (kind == kKinds.end()) return std::nullopt;
  return RememberedPermission{std::string(site), kind->kind, allowed == "1"};
}

std::vector<RememberedPermission> Parse(std::string_view value) {
  std::vector<RememberedPermission> answers;
  while (!value.empty()) {
    const std::size_t end = std::min(value.find(';'), value.size());
    if (auto answer = ParseEntry(value.substr(0, end))) answers.push_back(std::move(*answer));
    value.remove_prefix(std::min(end + 1, value.size()));
  }
  return answers;
}

IoResult Save(SettingsStore& store, const std::vector<RememberedPermission>& answers) {
  std::string value;
  for (const RememberedPermission& answer : answers) {
    if (!value.empty()) value += ';';
    value += answer.site + ' ' + TextOf(answer.kind).key + ' ' + (answer.allowed ? '1' : '0');
  }
  return store.SaveSetting(kAppTitle, kPermissionsSection, kAnswersKey, value);
}

std::vector<RememberedPermission> Load(SettingsStore& store) {
  return Parse(store.GetSetting(kAppTitle, kPermissionsSection, kAnswersKey, ""));
}

}  // namespace

std::string PermissionSiteOf(std::string_view url) {
  const std::size_t colon = url.find("://");
  if (colon == std::string_view::npos) return "";
  std::string scheme;
  for (char c : url.substr(0, colon)) scheme += LowerAscii(c);
  if (scheme != "http" && scheme != "https") return "";
  std::string_view rest = url.substr(colon + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
    rest.remove_prefix(at + 1);
  std::string host;
  std::string_view port;
  if (rest.starts_with('[')) {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return "";
    for (char c : rest.substr(1, close - 1)) {
      c = LowerAscii(c);
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == ':' || c == '.')) return "";
      host += c;
    }
    host = '[' + host + ']';
    rest.remove_prefix(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return "";
    if (!rest.empty()) port = rest.substr(1);
  } else {
    const std::size_t port_at = rest.find(':');
    if (port_at != std::string_view::npos) port = rest.substr(port_at + 1);
    for (char c : rest.substr(0, port_at)) {
      c = LowerAscii(c);
      if (!IsHostChar(c)) return "";
      host += c;
    }
  }
  if (host.empty() || host == "[]") return "";
  if (port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
      (!port.empty() && std::stoi(std::string(port)) > 65535)) {
    return "";
  }
  // The scheme's own port is left out, as the engine leaves it out of an origin.
  port = port.substr(std::min(port.find_first_not_of('0'), port.size()));
  const bool default_port =
      (scheme == "http" && port == "80") || (scheme == "https" && port == "443");
  std::string site = scheme + "://" + host;
  if (!port.empty() && !default_port) site += ':' + std::string(port);
  return site;
}

std::string PermissionQuestion(PermissionKind kind, const std::string& site) {
  return site + " が" + TextOf(kind).what + "を求めています";
}

std::string PermissionName(PermissionKind kind) { return TextOf(kind).what; }

std::optional<bool> RememberedAnswer(SettingsStore& store, const std::string& site,
                                     PermissionKind kind) {
  for (const RememberedPermission& answer : Load(store)) {
    if (answer.site == site && answer.kind == kind) return answer.allowed;
  }
  return std::nullopt;
}

std::vector<RememberedPermission> RememberedPermissions(SettingsStore& store) {
  return Load(store);
}

IoResult RememberPermission(SettingsStore& store, const std::string& site, PermissionKind kind,
                            bool allowed) {
  if (PermissionSiteOf(site) != site || site.empty()) return {EINVAL};
  std::vector<RememberedPermission> answers = Load(store);
  std::erase_if(answers, [&](const auto& a) { return a.site == site && a.kind == kind; });
  answers.push_back({site, kind, allowed});
  return Save(store, answers);
}

IoResult ForgetPermission(SettingsStore& store, const std::string& site, PermissionKind kind) {
  std::vector<RememberedPermission> answers = Load(store);
  std::erase_if(answers, [&](const auto& a) { return a.site == site && a.kind == kind; });
  return Save(store, answers);
}

IoResult ForgetAllPermissions(SettingsStore& store) { return Save(store, {}); }

std::vector<std::pair<std::string, bool>> NotificationAnswers(SettingsStore& store) {
  std::vector<std::pair<std::string, bool>> answers;
  for (const RememberedPermission& answer : Load(store)) {
    if (answer.kind == PermissionKind::kNotifications) {
      answers.emplace_back(answer.site, answer.allowed);
    }
  }
  return answers;
}

std::optional<PendingPermission> PendingPermissions::Take(int browser, int request) {
  const auto found = std::find_if(pending_.begin(), pending_.end(), [&](const auto& p) {
    return p.browser == browser && p.request == request;
  });
  if (found == pending_.end()) return std::nullopt;
  PendingPermission taken = std::move(*found);
  pending_.erase(found);
  return taken;
}

namespace {
template <typename Match>
std::vector<PendingPermission> TakeIf(std::vector<PendingPermission>& pending, Match match) {
  std::vector<PendingPermission> taken;
  std::copy_if(pending.begin(), pending.end(), std::back_inserter(taken), match);
  std::erase_if(pending, match);
  return taken;
}
}  // namespace

std::vector<PendingPermission> PendingPermissions::TakePage(int browser) {
  return TakeIf(pending_, [&](const PendingPermission& p) { return p.browser == browser; });
}

std::vector<PendingPermission> PendingPermissions::TakeSame(const std::string& site,
                                                            PermissionKind kind) {
  return TakeIf(pending_,
                [&](const PendingPermission& p) { return p.site == site && p.kind == kind; });
}

}  // namespace tabulon
