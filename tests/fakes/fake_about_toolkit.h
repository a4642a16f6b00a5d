#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "about/frm_qksinfo.h"
#include "platform/about_toolkit.h"

namespace tabulon::testing {

// Stands in for the about box's window: no widgets. RunModal plays what the
// user does while the box is shown (while_shown) and returns, as the real
// modal run returns once the box is closed.
class FakeAboutToolkit final : public AboutToolkit {
 public:
  std::function<void(frmQKSinfo&)> while_shown;
  int builds = 0;
  int modal_runs = 0;
  int end_modal_calls = 0;
  int discards = 0;
  std::vector<std::pair<std::string, std::string>> messages;  // text, caption

  void BuildAbout(AboutControls controls, AboutInput& input) override;
  void RunModal() override;
  void EndModal() override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void Discard() override;
  bool Closed() const { return end_modal_calls > 0; }

 private:
  AboutInput* input_ = nullptr;
  bool running_ = false;
};

}  // namespace tabulon::testing
