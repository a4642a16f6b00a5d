#pragma once
#include <gtkmm.h>

#include <string>
#include <vector>

#include "options/internet_options.h"

namespace tabulon::gtk {

// The options program's window: the three Internet settings, the buttons that
// clear browsing data, and OK, キャンセル and 適用. Every button goes to the
// program's logic; closing the window is キャンセル.
class OptionsWindow final : public OptionsView {
 public:
  OptionsWindow();
  // The logic the buttons call; set once, before the window is shown.
  void Attach(InternetOptions& options) { options_ = &options; }
  Gtk::Window& Window() { return window_; }

  void ShowSettings(const InternetSettings& settings) override;
  InternetSettings EnteredSettings() override;
  void ShowMessage(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void FocusField(OptionsField field) override;
  void Close() override;
  void ShowPermissions(const std::vector<std::string>& lines) override;
  int SelectedPermission() override;

 private:
  void Connect(Gtk::Button& button, void (InternetOptions::*action)());

  InternetOptions* options_ = nullptr;
  Gtk::Window window_;
  Gtk::Box outer_{Gtk::ORIENTATION_VERTICAL, 10};
  Gtk::Frame pages_frame_{"ページ"};
  Gtk::Grid pages_;
  Gtk::Label home_label_;
  Gtk::Entry home_;
  Gtk::Button home_default_{"既定に戻す"};
  Gtk::Label search_label_;
  Gtk::Entry search_;
  Gtk::Button search_default_{"既定に戻す"};
  Gtk::Label search_hint_;
  Gtk::Label encoding_label_;
  Gtk::ComboBoxText encoding_;
  Gtk::CheckButton restore_tabs_;
  Gtk::Label discard_label_;
  Gtk::Box discard_box_{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::SpinButton discard_minutes_;
  Gtk::Label discard_unit_;
  Gtk::Frame privacy_frame_{"プライバシー"};
  Gtk::Grid privacy_;
  Gtk::CheckButton tracking_;
  Gtk::Label permissions_label_;
  Gtk::ScrolledWindow permissions_scroll_;
  Gtk::ListBox permissions_;
  Gtk::Box permission_buttons_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Button forget_permission_{"削除"};
  Gtk::Button forget_permissions_{"すべて削除"};
  Gtk::Frame data_frame_{"閲覧の履歴"};
  Gtk::Box data_{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::Button clear_cookies_;
  Gtk::Button clear_cache_;
  Gtk::Button clear_history_;
  Gtk::ComboBoxText history_period_;
  Gtk::ButtonBox buttons_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::Button ok_{"OK"};
  Gtk::Button cancel_{"キャンセル"};
  Gtk::Button apply_;
};

}  // namespace tabulon::gtk
