#include "gtk/history_view.h"

#include "gtk/gtk_services.h"
#include "gtk/guard.h"

namespace tabulon::gtk {

namespace {
constexpr const char* kCaption = "履歴";
}

HistoryWindowToolkit::HistoryWindowToolkit(Gtk::Window* main_window)
    : model_(Gtk::ListStore::create(columns_)) {
  window_.set_title(kCaption);
  window_.set_default_size(720, 480);
  if (main_window) window_.set_transient_for(*main_window);
  // Beside the main window, not over it: the browser stays usable.
  window_.set_modal(false);
  window_.set_type_hint(Gdk::WINDOW_TYPE_HINT_NORMAL);

  search_.set_placeholder_text("履歴を検索");
  tree_.set_model(model_);
  // Plain text columns: titles and addresses are shown as they are, never
  // read as markup.
  const int time_column = tree_.append_column("時刻", columns_.time) - 1;
  const int title_column = tree_.append_column("タイトル", columns_.title) - 1;
  const int address_column = tree_.append_column("アドレス", columns_.shown) - 1;
  for (const int column : {title_column, address_column}) {
    Gtk::TreeViewColumn* view_column = tree_.get_column(column);
    view_column->set_resizable(true);
    if (auto* cell = dynamic_cast<Gtk::CellRendererText*>(view_column->get_first_cell())) {
      cell->property_ellipsize() = Pango::ELLIPSIZE_END;
      view_column->add_attribute(cell->property_weight(), columns_.weight);
    }
  }
  // Columns of fixed widths and lines of one height: the view measures the
  // lines it shows, not all of them. The address takes what is left.
  for (const auto& [column, width] :
       {std::pair{time_column, 60}, {title_column, 300}, {address_column, 300}}) {
    tree_.get_column(column)->set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
    tree_.get_column(column)->set_fixed_width(width);
  }
  tree_.get_column(address_column)->set_expand(true);
  tree_.set_fixed_height_mode(true);
  tree_.get_selection()->set_mode(Gtk::SELECTION_MULTIPLE);
  tree_.set_search_column(columns_.title);
  tree_.set_enable_search(false);
  scroller_.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
  scroller_.set_vexpand(true);
  scroller_.add(tree_);
  buttons_.set_layout(Gtk::BUTTONBOX_END);
  buttons_.add(delete_);
  more_.set_xalign(0.0f);
  more_.get_style_context()->add_class("dim-label");
  bottom_.pack_start(more_, Gtk::PACK_EXPAND_WIDGET);
  bottom_.pack_end(buttons_, Gtk::PACK_SHRINK);
  box_.set_border_width(8);
  box_.pack_start(search_, Gtk::PACK_SHRINK);
  box_.pack_start(scroller_, Gtk::PACK_EXPAND_WIDGET);
  box_.pack_start(bottom_, Gtk::PACK_SHRINK);
  window_.add(box_);
  box_.show_all();
  more_.hide();

  search_.signal_changed().connect([this] {
    Guarded([&] {
      if (input_) input_->SearchChanged(search_.get_text());
    });
  });
  // Enter in the search box opens the first page listed.
  search_.signal_activate().connect([this] {
    Guarded([&] {
      const std::vector<std::string> listed = ListedAddresses();
      if (!listed.empty() && input_) input_->Activated(listed.front());
    });
  });
  delete_.set_sensitive(false);
  tree_.get_selection()->signal_changed().connect(
      [this] { delete_.set_sensitive(tree_.get_selection()->count_selected_rows() > 0); });
  delete_.signal_clicked().connect([this] { Guarded([&] { DeleteSelected(); }); });
  tree_.signal_row_activated().connect(
      [this](const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn*) {
        Guarded([&] {
          const Gtk::TreeModel::iterator row = model_->get_iter(path);
          if (!row || !input_) return;
          const std::string address = (*row)[columns_.address];
          if (!address.empty()) input_->Activated(address);
        });
      });
  tree_.signal_key_press_event().connect(
      [this](GdkEventKey* event) {
        if (event->keyval != GDK_KEY_Delete && event->keyval != GDK_KEY_KP_Delete) return false;
        Guarded([&] { DeleteSelected(); });
        return true;
      },
      false);
  window_.signal_focus_in_event().connect([this](GdkEventFocus*) {
    Guarded([&] {
      if (input_) input_->WindowFocused();
    });
    return false;
  });
  HideOnCloseOrEscape(window_);
}

HistoryWindowToolkit::~HistoryWindowToolkit() = default;

void HistoryWindowToolkit::Attach(HistoryInput& input) { input_ = &input; }

void HistoryWindowToolkit::ShowWindow() {
  window_.present();
  search_.grab_focus();
}

void HistoryWindowToolkit::ShowDays(const std::vector<HistoryDay>& days, bool more) {
  more_.set_visible(more);
  // Filled away from the view, which would otherwise follow every line.
  tree_.unset_model();
  model_->clear();
  for (const HistoryDay& day : days) {
    Gtk::TreeModel::Row day_row = *model_->append();
    day_row[columns_.title] = day.caption;
    day_row[columns_.weight] = Pango::WEIGHT_BOLD;
    for (const HistoryLine& line : day.lines) {
      Gtk::TreeModel::Row row = *model_->append();
      row[columns_.time] = line.time;
      row[columns_.title] = line.title;
      row[columns_.shown] = line.shown;
      row[columns_.address] = line.address;
      row[columns_.weight] = Pango::WEIGHT_NORMAL;
    }
  }
  tree_.set_model(model_);
}

std::vector<std::string> HistoryWindowToolkit::SelectedAddresses() {
  std::vector<std::string> addresses;
  for (const Gtk::TreeModel::Path& path : tree_.get_selection()->get_selected_rows()) {
    Gtk::TreeModel::iterator row = model_->get_iter(path);
    if (!row) continue;
    const std::string address = (*row)[columns_.address];
    if (!address.empty()) {
      addresses.push_back(address);
      continue;
    }
    // A day selected: every page of that day, up to the next day's line.
    for (++row; row; ++row) {
      const std::string page = (*row)[columns_.address];
      if (page.empty()) break;
      addresses.push_back(page);
    }
  }
  return addresses;
}

void HistoryWindowToolkit::DeleteSelected() {
  if (input_) input_->DeleteClicked(SelectedAddresses());
}

std::vector<std::string> HistoryWindowToolkit::ListedAddresses() {
  std::vector<std::string> addresses;
  for (const Gtk::TreeModel::Row& row : model_->children()) {
    const std::string address = row[columns_.address];
    if (!address.empty()) addresses.push_back(address);
  }
  return addresses;
}

}  // namespace tabulon::gtk
