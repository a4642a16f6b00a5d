#include "gtk/options_window.h"

#include "gtk/guard.h"

namespace tabulon::gtk {

namespace {

// Runs a button's action; nothing it throws reaches GTK.

constexpr const char* kCaption = "インターネットオプション";

void Mnemonic(Gtk::Label& label, const char* text, Gtk::Widget& target) {
  label.set_text_with_mnemonic(text);
  label.set_mnemonic_widget(target);
  label.set_xalign(0.0f);
}

void MnemonicButton(Gtk::Button& button, const char* text) {
  button.set_label(text);
  button.set_use_underline(true);
}

}  // namespace

OptionsWindow::OptionsWindow() {
  window_.set_title(kCaption);
  window_.set_resizable(false);
  window_.set_border_width(12);
  window_.set_position(Gtk::WIN_POS_CENTER);

  Mnemonic(home_label_, "ホームページ(_H):", home_);
  Mnemonic(search_label_, "検索アドレス(_S):", search_);
  Mnemonic(encoding_label_, "既定の文字コード(_E):", encoding_);
  home_.set_width_chars(48);
  home_.set_activates_default(true);
  search_.set_width_chars(48);
  search_.set_activates_default(true);
  // Addresses are typed in Latin letters: no input method in these boxes.
  for (Gtk::Entry* entry : {&home_, &search_}) {
    entry->set_input_purpose(Gtk::INPUT_PURPOSE_URL);
    g_object_set(entry->gobj(), "im-module", "gtk-im-context-none", nullptr);
  }
  search_hint_.set_text("%s のところに検索する言葉が入ります。");
  search_hint_.set_xalign(0.0f);
  search_hint_.get_style_context()->add_class("dim-label");
  for (const EncodingChoice& choice : EncodingChoices()) {
    encoding_.append(choice.name, choice.label);
  }

  pages_.set_row_spacing(6);
  pages_.set_column_spacing(8);
  pages_.set_border_width(10);
  pages_.attach(home_label_, 0, 0);
  pages_.attach(home_, 1, 0);
  pages_.attach(home_default_, 2, 0);
  pages_.attach(search_label_, 0, 1);
  pages_.attach(search_, 1, 1);
  pages_.attach(search_default_, 2, 1);
  pages_.attach(search_hint_, 1, 2, 2, 1);
  pages_.attach(encoding_label_, 0, 3);
  pages_.attach(encoding_, 1, 3);
  restore_tabs_.set_label("起動時に前回のタブを開く(_R)");
  restore_tabs_.set_use_underline(true);
  pages_.attach(restore_tabs_, 1, 4, 2, 1);
  discard_label_.set_text_with_mnemonic("使っていないタブを休ませる(_D):");
  discard_label_.set_mnemonic_widget(discard_minutes_);
  discard_label_.set_xalign(0.0f);
  discard_minutes_.set_range(0, kMaxDiscardMinutes);
  discard_minutes_.set_increments(5, 30);
  discard_minutes_.set_numeric(true);
  discard_unit_.set_text("分後（0 で休ませない）");
  discard_unit_.set_xalign(0.0f);
  discard_box_.pack_start(discard_minutes_, Gtk::PACK_SHRINK);
  discard_box_.pack_start(discard_unit_, Gtk::PACK_SHRINK);
  pages_.attach(discard_label_, 0, 5);
  pages_.attach(discard_box_, 1, 5, 2, 1);
  pages_frame_.add(pages_);

  tracking_.set_label("他のサイトの Cookie とトラッキングを防ぐ(_P)");
  tracking_.set_use_underline(true);
  Mnemonic(permissions_label_, "サイトごとの許可(_M):", permissions_);
  permissions_.set_selection_mode(Gtk::SELECTION_SINGLE);
  permissions_scroll_.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
  permissions_scroll_.set_shadow_type(Gtk::SHADOW_IN);
  permissions_scroll_.set_size_request(-1, 90);
  permissions_scroll_.set_hexpand(true);
  permissions_scroll_.add(permissions_);
  permission_buttons_.pack_start(forget_permission_, Gtk::PACK_SHRINK);
  permission_buttons_.pack_start(forget_permissions_, Gtk::PACK_SHRINK);
  privacy_.set_row_spacing(6);
  privacy_.set_column_spacing(8);
  privacy_.set_border_width(10);
  privacy_.attach(tracking_, 0, 0, 2, 1);
  privacy_.attach(permissions_label_, 0, 1, 2, 1);
  privacy_.attach(permissions_scroll_, 0, 2);
  privacy_.attach(permission_buttons_, 1, 2);
  privacy_frame_.add(privacy_);

  MnemonicButton(clear_cookies_, "Cookie の削除(_C)...");
  MnemonicButton(clear_cache_, "キャッシュの削除(_T)...");
  data_.set_border_width(10);
  data_.pack_start(clear_cookies_, Gtk::PACK_SHRINK);
  data_.pack_start(clear_cache_, Gtk::PACK_SHRINK);
  MnemonicButton(clear_history_, "履歴の削除(_H)...");
  // Which pages the history button removes: those of the last hour, of
  // today, or all.
  history_period_.append("1 時間");
  history_period_.append("今日");
  history_period_.append("すべて");
  history_period_.set_active(2);
  data_.pack_start(clear_history_, Gtk::PACK_SHRINK);
  data_.pack_start(history_period_, Gtk::PACK_SHRINK);
  data_frame_.add(data_);

  MnemonicButton(apply_, "適用(_A)");
  buttons_.set_layout(Gtk::BUTTONBOX_END);
  buttons_.set_spacing(6);
  buttons_.add(ok_);
  buttons_.add(cancel_);
  buttons_.add(apply_);
  ok_.set_can_default(true);

  outer_.pack_start(pages_frame_, Gtk::PACK_SHRINK);
  outer_.pack_start(privacy_frame_, Gtk::PACK_SHRINK);
  outer_.pack_start(data_frame_, Gtk::PACK_SHRINK);
  outer_.pack_end(buttons_, Gtk::PACK_SHRINK);
  window_.add(outer_);
  window_.set_default(ok_);

  Connect(ok_, &InternetOptions::Ok);
  Connect(cancel_, &InternetOptions::Cancel);
  apply_.signal_clicked().connect([this] {
    if (options_) Guarded([this] { options_->Apply(); });
  });
  Connect(home_default_, &InternetOptions::ResetHomePage);
  Connect(search_default_, &InternetOptions::ResetSearchAddress);
  Connect(clear_cookies_, &InternetOptions::ClearCookies);
  Connect(clear_cache_, &InternetOptions::ClearCache);
  clear_history_.signal_clicked().connect([this] {
    const int row = history_period_.get_active_row_number();
    const HistoryPeriod period = row == 0   ? HistoryPeriod::LastHour
                                 : row == 1 ? HistoryPeriod::Today
                                            : HistoryPeriod::All;
    if (options_) Guarded([this, period] { options_->ClearHistory(period); });
  });
  Connect(forget_permission_, &InternetOptions::ForgetPermission);
  Connect(forget_permissions_, &InternetOptions::ForgetAllPermissions);
  window_.signal_delete_event().connect([this](GdkEventAny*) {
    if (options_) Guarded([this] { options_->Cancel(); });
    return true;  // Cancel closes it
  });
  window_.signal_key_press_event().connect([this](GdkEventKey* event) {
    if (event->keyval != GDK_KEY_Escape) return false;
    if (options_) Guarded([this] { options_->Cancel(); });
    return true;
  });
  outer_.show_all();
}

void OptionsWindow::Connect(Gtk::Button& button, void (InternetOptions::*action)()) {
  button.signal_clicked().connect([this, action] {
    if (options_) Guarded([this, action] { (options_->*action)(); });
  });
}

void OptionsWindow::ShowSettings(const InternetSettings& settings) {
  home_.set_text(settings.home_page);
  search_.set_text(settings.search_address);
  if (!encoding_.set_active_id(settings.default_encoding)) encoding_.set_active(0);
  restore_tabs_.set_active(settings.restore_tabs);
  tracking_.set_active(settings.tracking_protection);
  discard_minutes_.set_value(settings.discard_minutes);
}

InternetSettings OptionsWindow::EnteredSettings() {
  return {home_.get_text(),           search_.get_text(),     encoding_.get_active_id(),
          restore_tabs_.get_active(), tracking_.get_active(), discard_minutes_.get_value_as_int()};
}

void OptionsWindow::ShowPermissions(const std::vector<std::string>& lines) {
  for (Gtk::Widget* row : permissions_.get_children()) gtk_widget_destroy(row->gobj());
  for (const std::string& line : lines) {
    auto* label = Gtk::make_managed<Gtk::Label>(line);
    label->set_xalign(0.0f);
    permissions_.append(*label);
  }
  permissions_.show_all();
  forget_permission_.set_sensitive(!lines.empty());
  forget_permissions_.set_sensitive(!lines.empty());
}

int OptionsWindow::SelectedPermission() {
  const Gtk::ListBoxRow* row = permissions_.get_selected_row();
  return row ? row->get_index() : -1;
}

void OptionsWindow::ShowMessage(const std::string& text) {
  Gtk::MessageDialog dialog(window_, text, false, Gtk::MESSAGE_OTHER, Gtk::BUTTONS_OK, true);
  dialog.set_title(kCaption);
  dialog.run();
}

bool OptionsWindow::Confirm(const std::string& text) {
  // Own labels: the stock ones follow the locale, and the program speaks
  // Japanese whatever the locale.
  Gtk::MessageDialog dialog(window_, text, false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, true);
  dialog.set_title(kCaption);
  dialog.add_button("はい(_Y)", Gtk::RESPONSE_YES);
  dialog.add_button("いいえ(_N)", Gtk::RESPONSE_NO);
  dialog.set_default_response(Gtk::RESPONSE_NO);
  return dialog.run() == Gtk::RESPONSE_YES;
}

void OptionsWindow::FocusField(OptionsField field) {
  switch (field) {
    case OptionsField::kHomePage: home_.grab_focus(); break;
    case OptionsField::kSearchAddress: search_.grab_focus(); break;
    case OptionsField::kDefaultEncoding: encoding_.grab_focus(); break;
  }
}

void OptionsWindow::Close() {
  window_.hide();
  Gtk::Main::quit();
}

}  // namespace tabulon::gtk
