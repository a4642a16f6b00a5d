#include "browsing/page_dialog_rule.h"

namespace tabulon {

bool PageDialogPolicy::ShouldShow() {
  if (stopped_) return false;
  ++shown_;
  return true;
}

void PageDialogPolicy::PageNavigated() {
  shown_ = 0;
  stopped_ = false;
}

bool AnswerWithoutAsking(PageDialogKind kind) {
  return kind == PageDialogKind::kAlert || kind == PageDialogKind::kLeavePage;
}

std::string AcceptCaption(PageDialogKind kind) {
  return kind == PageDialogKind::kLeavePage ? "離れる" : "OK";
}

std::string RefuseCaption(PageDialogKind kind) {
  switch (kind) {
    case PageDialogKind::kAlert: return "";
    case PageDialogKind::kLeavePage: return "留まる";
    default: return "キャンセル";
  }
}

}  // namespace tabulon
