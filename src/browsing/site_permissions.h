#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/browser.h"
#include "settings/file_io.h"
#include "settings/settings_store.h"

namespace tabulon {

// The site a permission belongs to: the page's scheme, host and port as
// "https://example.com" ("http://127.0.0.1:8080"), or "" for a page that is no
// web site (the program's own pages, files) or an address we do not trust to
// keep as a key. Pages without a site are refused without asking.
std::string PermissionSiteOf(std::string_view url);

// The bar's question: 「<site> が通知の表示を求めています」 and the like.
std::string PermissionQuestion(PermissionKind kind, const std::string& site);
// What the kind is called in the options program's list.
std::string PermissionName(PermissionKind kind);

inline constexpr const char* kAllowPermission = "許可";
inline constexpr const char* kDenyPermission = "拒否";

// The user's answers, kept in the settings store so that every window and
// the options program see them. A site asks again for a kind it was never
// answered for.
struct RememberedPermission {
  std::string site;
  PermissionKind kind;
  bool allowed;
  bool operator==(const RememberedPermission&) const = default;
};
std::optional<bool> RememberedAnswer(SettingsStore& store, const std::string& site,
                                     PermissionKind kind);
std::vector<RememberedPermission> RememberedPermissions(SettingsStore& store);
IoResult RememberPermission(SettingsStore& store, const std::string& site, PermissionKind kind,
                            bool allowed);
IoResult ForgetPermission(SettingsStore& store, const std::string& site, PermissionKind kind);
IoResult ForgetAllPermissions(SettingsStore& store);
// The sites answered for notifications, with the answer (true: allowed).
std::vector<std::pair<std::string, bool>> NotificationAnswers(SettingsStore& store);

// The requests waiting for the user's answer, each with its bar. A request
// belongs to the page that made it: when that page goes away (another page
// commits in its browser, or its tab closes) its requests are refused.
struct PendingPermission {
  int browser;  // brwPage index
  int request;  // the browser's number for the request
  PermissionKind kind;
  std::string site;
  int bar;
};

class PendingPermissions {
 public:
  void Add(PendingPermission pending) { pending_.push_back(std::move(pending)); }
  // The request, if it still waits; it waits no longer.
  std::optional<PendingPermission> Take(int browser, int request);
  // Every request of the page in browser.
  std::vector<PendingPermission> TakePage(int browser);
  // Every request of site for kind, in any tab: one answer settles them all.
  std::vector<PendingPermission> TakeSame(const std::string& site, PermissionKind kind);
  bool Empty() const { return pending_.empty(); }

 private:
  std::vector<PendingPermission> pending_;
};

}  // namespace tabulon
