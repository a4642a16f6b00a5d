// What pages ask of the user: notifications, location, camera, microphone,
// the screen, the clipboard. Each site is asked once for each; its answer is
// kept and given at once from then on. A question nobody answered is
// answered no when its page goes.
#include "browsing/site_permissions.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

void frmMain::brwPage_PermissionRequest(int index, int request, PermissionKind kind,
                                        const std::string& url) {
  if (index == 0) return;  // the template shows nothing
  const std::string site = PermissionSiteOf(url);
  std::optional<bool> answer;
  // A page with no site has nothing to be remembered by, nor a name the
  // user could judge it by.
  if (site.empty()) answer = false;
  if (!answer) {
    const auto given = private_answers_.find({site, kind});
    if (given != private_answers_.end()) answer = given->second;
  }
  if (!answer) answer = RememberedAnswer(services_.store, site, kind);
  if (answer) {
    TryStep([&] { brwPage_(index).AnswerPermission(request, *answer); });
    return;
  }
  const int bar = toolkit_.AskInBar(
      PermissionQuestion(kind, site), kAllowPermission, kDenyPermission,
      [this, index, request](bool allow) { PermissionAnswered(index, request, allow); });
  permissions_.Add({index, request, kind, site, bar});
}

void frmMain::PermissionAnswered(int index, int request, bool allow) {
  const std::optional<PendingPermission> asked = permissions_.Take(index, request);
  if (!asked) return;
  // A private window keeps nothing of its browsing.
  if (state_.Private) {
    private_answers_[{asked->site, asked->kind}] = allow;
  } else if (!RememberPermission(services_.store, asked->site, asked->kind, allow).ok()) {
    StaMsg_.SetPanelText(1, "このサイトの設定を保存できませんでした");
  }
  std::vector<PendingPermission> answered = permissions_.TakeSame(asked->site, asked->kind);
  answered.push_back(*asked);
  for (const PendingPermission& same : answered) {
    if (same.bar != asked->bar) toolkit_.CloseBar(same.bar);
    if (brwPage_.Exists(same.browser)) {
      TryStep([&] { brwPage_(same.browser).AnswerPermission(same.request, allow); });
    }
  }
}

void frmMain::brwPage_PageGone(int index) {
  for (const PendingPermission& gone : permissions_.TakePage(index)) {
    toolkit_.CloseBar(gone.bar);
    if (brwPage_.Exists(index)) {
      TryStep([&] { brwPage_(index).AnswerPermission(gone.request, false); });
    }
  }
}

}  // namespace tabulon
