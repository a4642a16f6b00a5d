#pragma once
#include <string>

namespace tabulon {

// What a page asks the user through a dialog of its own.
enum class PageDialogKind { kAlert, kConfirm, kPrompt, kLeavePage };

// When a page's dialogs are shown. A page that keeps raising them can be
// told to stop: from its second dialog on, the user is offered to have the
// rest answered at once, until the page is navigated.
class PageDialogPolicy {
 public:
  // A new dialog from the page: true to show it, false to answer it at once.
  bool ShouldShow();
  // Whether the dialog being shown offers to stop the page's dialogs.
  bool OffersToStop() const { return shown_ >= 2; }
  void StopShowing() { stopped_ = true; }
  // Another document: its dialogs are shown again.
  void PageNavigated();

 private:
  int shown_ = 0;
  bool stopped_ = false;
};

// The answer given without asking: OK to an alert and to the leave-page
// question (nobody is kept on a page), cancel to confirm and prompt.
bool AnswerWithoutAsking(PageDialogKind kind);

// The texts of a page dialog.
inline constexpr const char* kStopPageDialogsText = "このページのダイアログを今後表示しない";
inline constexpr const char* kLeavePageQuestion =
    "このページを離れますか? 入力した内容は失われることがあります。";
std::string AcceptCaption(PageDialogKind kind);
std::string RefuseCaption(PageDialogKind kind);  // "" when the dialog has only one button

}  // namespace tabulon
