#include "gtk/downloads_view.h"

#include "gtk/gtk_services.h"
#include "gtk/guard.h"

namespace tabulon::gtk {

namespace {
constexpr const char* kCaption = "ダウンロード";
}

// name             state
// [progress bar         ]
// size      [中止] [開く] [フォルダーを開く]
struct DownloadsWindowToolkit::Line {
  Gtk::ListBoxRow row;
  Gtk::Grid grid;
  Gtk::Label name, state, size;
  Gtk::ProgressBar progress;
  Gtk::ButtonBox buttons;
  Gtk::Button cancel{"中止"}, open{"開く"}, open_folder{"フォルダーを開く"};
};

DownloadsWindowToolkit::DownloadsWindowToolkit(Gtk::Window* main_window)
    : main_window_(main_window) {
  window_.set_title(kCaption);
  window_.set_default_size(560, 320);
  if (main_window_) window_.set_transient_for(*main_window_);
  // Beside the main window, not over it: the browser stays usable.
  window_.set_modal(false);
  window_.set_type_hint(Gdk::WINDOW_TYPE_HINT_NORMAL);
  // Owned by the list: the list box will not hand its placeholder back.
  auto* empty = Gtk::make_managed<Gtk::Label>("ダウンロードはありません");
  empty->get_style_context()->add_class("dim-label");
  empty->show();
  list_.set_placeholder(*empty);
  list_.set_selection_mode(Gtk::SELECTION_NONE);
  scroller_.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
  scroller_.add(list_);
  window_.add(scroller_);
  scroller_.show_all();
  HideOnCloseOrEscape(window_);
}

DownloadsWindowToolkit::~DownloadsWindowToolkit() = default;

void DownloadsWindowToolkit::Attach(DownloadsInput& input) { input_ = &input; }

void DownloadsWindowToolkit::ShowWindow() { window_.present(); }

DownloadsWindowToolkit::Line& DownloadsWindowToolkit::LineOf(int id) {
  auto found = lines_.find(id);
  if (found != lines_.end()) return *found->second;
  auto line = std::make_unique<Line>();
  Line& l = *line;
  l.name.set_xalign(0.0f);
  l.name.set_hexpand(true);
  l.name.set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
  l.name.get_style_context()->add_class("heading");
  l.state.set_xalign(1.0f);
  l.size.set_xalign(0.0f);
  l.size.get_style_context()->add_class("dim-label");
  l.progress.set_show_text(true);
  l.buttons.set_layout(Gtk::BUTTONBOX_END);
  l.buttons.set_spacing(6);
  l.buttons.add(l.cancel);
  l.buttons.add(l.open);
  l.buttons.add(l.open_folder);
  l.grid.set_row_spacing(4);
  l.grid.set_column_spacing(12);
  l.grid.set_border_width(8);
  l.grid.attach(l.name, 0, 0);
  l.grid.attach(l.state, 1, 0);
  l.grid.attach(l.progress, 0, 1, 2, 1);
  l.grid.attach(l.size, 0, 2);
  l.grid.attach(l.buttons, 1, 2);
  l.row.add(l.grid);
  l.row.set_activatable(false);
  auto clicked = [this, id](void (DownloadsInput::*handler)(int)) {
    return [this, id, handler] {
      Guarded([&] {
        if (input_) (input_->*handler)(id);
      });
    };
  };
  l.cancel.signal_clicked().connect(clicked(&DownloadsInput::CancelClicked));
  l.open.signal_clicked().connect(clicked(&DownloadsInput::OpenClicked));
  l.open_folder.signal_clicked().connect(clicked(&DownloadsInput::OpenFolderClicked));
  l.row.show_all();
  list_.prepend(l.row);
  return *lines_.emplace(id, std::move(line)).first->second;
}

void DownloadsWindowToolkit::ShowRow(int id, const DownloadRow& row) {
  Line& line = LineOf(id);
  line.name.set_text(row.name);
  line.name.set_tooltip_text(row.name);
  line.state.set_text(row.state);
  line.size.set_text(row.size);
  if (row.percent >= 0) {
    line.progress.set_fraction(row.percent / 100.0);
    line.progress.set_text(std::to_string(row.percent) + "%");
  } else {
    line.progress.set_fraction(0.0);
    line.progress.set_text("");
  }
  line.cancel.set_sensitive(row.can_cancel);
  line.open.set_sensitive(row.can_open);
  line.open_folder.set_sensitive(row.can_open);
}

bool DownloadsWindowToolkit::AskYesNo(const std::string& text, const std::string& caption) {
  Gtk::Window* parent = window_.get_visible() ? &window_ : main_window_;
  Gtk::MessageDialog dialog(text, false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, true);
  if (parent) dialog.set_transient_for(*parent);
  dialog.set_title(caption);
  dialog.add_button("はい(_Y)", Gtk::RESPONSE_YES);
  dialog.add_button("いいえ(_N)", Gtk::RESPONSE_NO);
  // Enter alone does not throw away what has been downloaded.
  dialog.set_default_response(Gtk::RESPONSE_NO);
  return dialog.run() == Gtk::RESPONSE_YES;
}

void DownloadsWindowToolkit::ShowMessage(const std::string& text, const std::string& caption) {
  Gtk::MessageDialog dialog(text, false, Gtk::MESSAGE_OTHER, Gtk::BUTTONS_OK, true);
  dialog.set_transient_for(window_);
  dialog.set_title(caption);
  dialog.run();
}

bool DownloadsWindowToolkit::OpenWithDesktop(const std::string& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return false;
  GdkAppLaunchContext* context =
      gdk_display_get_app_launch_context(gtk_widget_get_display(GTK_WIDGET(window_.gobj())));
  GError* error = nullptr;
  const bool started =
      g_app_info_launch_default_for_uri(uri, G_APP_LAUNCH_CONTEXT(context), &error);
  if (error) g_error_free(error);
  g_object_unref(context);
  g_free(uri);
  return started;
}

int DownloadsWindowToolkit::LineNamed(const std::string& name) {
  for (const auto& [id, line] : lines_) {
    if (line->name.get_text() == name) return id;
  }
  return -1;
}

Gtk::Button* DownloadsWindowToolkit::CancelButton(int id) {
  auto found = lines_.find(id);
  return found == lines_.end() ? nullptr : &found->second->cancel;
}

Gtk::Button* DownloadsWindowToolkit::OpenButton(int id) {
  auto found = lines_.find(id);
  return found == lines_.end() ? nullptr : &found->second->open;
}

Gtk::Button* DownloadsWindowToolkit::OpenFolderButton(int id) {
  auto found = lines_.find(id);
  return found == lines_.end() ? nullptr : &found->second->open_folder;
}

std::string DownloadsWindowToolkit::StateText(int id) {
  auto found = lines_.find(id);
  return found == lines_.end() ? "" : std::string(found->second->state.get_text());
}

}  // namespace tabulon::gtk
