#pragma once
#include <gtkmm.h>

#include <map>
#include <memory>
#include <string>

#include "platform/downloads_toolkit.h"

namespace tabulon::gtk {

// The downloads window: a window of its own beside the main one, one line
// per download (newest at the top) with its name, progress bar, size, state
// and buttons. Closing it only hides it; the lines stay.
class DownloadsWindowToolkit final : public DownloadsToolkit {
 public:
  explicit DownloadsWindowToolkit(Gtk::Window* main_window = nullptr);
  ~DownloadsWindowToolkit() override;

  void Attach(DownloadsInput& input) override;
  void ShowWindow() override;
  void ShowRow(int id, const DownloadRow& row) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  bool OpenWithDesktop(const std::string& path) override;

  // For tests that play the user.
  Gtk::Window& Window() { return window_; }
  // The download whose line shows the name, -1 when none does.
  int LineNamed(const std::string& name);
  // A line's widgets; nullptr for a download not shown.
  Gtk::Button* CancelButton(int id);
  Gtk::Button* OpenButton(int id);
  Gtk::Button* OpenFolderButton(int id);
  std::string StateText(int id);

 private:
  struct Line;
  Line& LineOf(int id);

  Gtk::Window* main_window_;
  DownloadsInput* input_ = nullptr;
  Gtk::Window window_;
  Gtk::ScrolledWindow scroller_;
  Gtk::ListBox list_;
  std::map<int, std::unique_ptr<Line>> lines_;
};

}  // namespace tabulon::gtk
