#pragma once
#include <gtkmm.h>

#include <functional>

#include "platform/services.h"

namespace tabulon::gtk {

class GtkClipboard final : public Clipboard {
 public:
  std::string GetText() override;
  void SetText(const std::string& text) override;
};

// A modal box with an OK button and no icon over the main window.
class GtkMessageBoxes final : public MessageBoxes {
 public:
  explicit GtkMessageBoxes(Gtk::Window* parent = nullptr) : parent_(parent) {}
  void SetParent(Gtk::Window* parent) { parent_ = parent; }
  void Show(const std::string& text, const std::string& caption) override;

 private:
  Gtk::Window* parent_;
};

// A window of its own that the close button and Esc hide, to be shown
// again as it was.
void HideOnCloseOrEscape(Gtk::Window& window);

// Runs `task` on the main loop's thread, soon; callable from any thread.
void PostToMainLoop(std::function<void()> task);

class SpawnProcessStarter final : public ProcessStarter {
 public:
  bool Start(const std::string& command_line) override;
};

}  // namespace tabulon::gtk
