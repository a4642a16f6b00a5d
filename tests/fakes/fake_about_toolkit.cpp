#include "fakes/fake_about_toolkit.h"

#include <stdexcept>

namespace tabulon::testing {

void FakeAboutToolkit::BuildAbout(AboutControls, AboutInput& input) {
  ++builds;
  input_ = &input;
}

void FakeAboutToolkit::RunModal() {
  if (!input_) throw std::logic_error("modal run of an about box never built");
  ++modal_runs;
  running_ = true;
  if (while_shown) while_shown(dynamic_cast<frmQKSinfo&>(*input_));
  running_ = false;
}

void FakeAboutToolkit::EndModal() {
  if (!running_) throw std::logic_error("EndModal outside the modal run");
  ++end_modal_calls;
}

void FakeAboutToolkit::ShowMessage(const std::string& text, const std::string& caption) {
  if (!running_) throw std::logic_error("message box without the about box shown");
  messages.emplace_back(text, caption);
}

void FakeAboutToolkit::Discard() {
  // Discarding the widgets from inside one of their own handlers would pull
  // them from under GTK.
  if (running_) throw std::logic_error("about box discarded during its modal run");
  ++discards;
  input_ = nullptr;
}

}  // namespace tabulon::testing
