#pragma once
#include <gtkmm.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/about_toolkit.h"

namespace tabulon::gtk {

// The about box as a fixed dialog over the main window: every control where
// its model says (twips turned to pixels here), modal while shown.
class AboutDialogToolkit final : public AboutToolkit {
 public:
  explicit AboutDialogToolkit(Gtk::Window* parent = nullptr);
  ~AboutDialogToolkit() override;

  void BuildAbout(AboutControls controls, AboutInput& input) override;
  void RunModal() override;
  void EndModal() override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void Discard() override;

  // The dialog's window and its OK button while a box is built; null
  // otherwise. For tests that play the user.
  Gtk::Window* Window();
  Gtk::Button* OkButton();
  // The texts the box's labels show, in the order they were built.
  std::vector<std::string> ShownTexts();

 private:
  class Box;
  Gtk::Window* parent_;
  std::unique_ptr<Box> box_;
  Glib::RefPtr<Glib::MainLoop> loop_;
};

}  // namespace tabulon::gtk
