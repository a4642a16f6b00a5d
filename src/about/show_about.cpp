#include "app/application.h"

namespace tabulon {

// m_ver_Click: a fresh box each time, so the version text is set anew. It is
// discarded only after its modal run has returned, never from one of its
// own handlers.
void Application::ShowAbout() {
  if (!about_toolkit_ || about_) return;
  about_ = std::make_unique<frmQKSinfo>(
      *about_toolkit_, [this](const std::string& address) { OpenUrlNewTab(address); });
  try {
    about_->ShowModal();
  } catch (...) {
    about_.reset();
    throw;
  }
  about_.reset();
}

}  // namespace tabulon
