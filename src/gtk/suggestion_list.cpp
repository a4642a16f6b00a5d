#include "gtk/suggestion_list.h"

#include "gtk/guard.h"

namespace tabulon::gtk {

namespace {

Gtk::CellRendererText* TextCell(Gtk::TreeViewColumn& column, bool expand, bool dim) {
  auto* cell = Gtk::manage(new Gtk::CellRendererText());
  cell->property_ellipsize() = Pango::ELLIPSIZE_END;
  if (dim) cell->property_foreground() = "#606060";
  column.pack_start(*cell, expand);
  return cell;
}

}  // namespace

SuggestionListPeer::SuggestionListPeer(DropList& model, Gtk::Widget& anchor, MainWindowInput& input)
    : model_(model), anchor_(anchor), input_(input) {
  popup_.set_type_hint(Gdk::WINDOW_TYPE_HINT_COMBO);
  popup_.set_attached_to(anchor_);
  popup_.set_name("tabulon-suggestions");
  view_.set_model(store_);
  view_.set_headers_visible(false);
  view_.set_can_focus(false);
  view_.set_enable_search(false);
  auto* column = Gtk::manage(new Gtk::TreeViewColumn());
  // Title and address share the row; the note ("タブに切り替え") keeps its
  // width at the end.
  column->add_attribute(TextCell(*column, true, false)->property_text(), columns_.title);
  column->add_attribute(TextCell(*column, true, true)->property_text(), columns_.address);
  column->add_attribute(TextCell(*column, false, true)->property_text(), columns_.note);
  column->set_expand(true);
  view_.append_column(*column);
  view_.add_events(Gdk::BUTTON_RELEASE_MASK);
  view_.signal_button_release_event().connect(
      [this](GdkEventButton* event) {
        Gtk::TreeModel::Path path;
        Gtk::TreeViewColumn* at = nullptr;
        int cell_x = 0, cell_y = 0;
        if (event->button != 1 ||
            !view_.get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path, at,
                                   cell_x, cell_y)) {
          return false;
        }
        const int row = path.front();
        Guarded([&] { input_.lstSuggest_Click(row); });
        return true;
      },
      false);
  frame_.set_shadow_type(Gtk::SHADOW_OUT);
  frame_.add(view_);
  popup_.add(frame_);
  frame_.show_all();
}

SuggestionListPeer::~SuggestionListPeer() { popup_.hide(); }

void SuggestionListPeer::Changed(Prop prop) {
  switch (prop) {
    case Prop::List: Fill(); break;
    case Prop::Selection: ShowSelection(); break;
    case Prop::Visible:
      if (model_.Visible()) {
        Place();
        popup_.show();
      } else {
        popup_.hide();
      }
      break;
    default: break;
  }
}

void SuggestionListPeer::Fill() {
  store_->clear();
  for (const DropList::Row& row : model_.Rows()) {
    Gtk::TreeModel::Row added = *store_->append();
    added[columns_.title] = row.title;
    added[columns_.address] = row.address;
    added[columns_.note] = row.note;
  }
  ShowSelection();
  // A shorter list makes a shorter window.
  popup_.resize(1, 1);
  if (popup_.get_visible()) Place();
}

void SuggestionListPeer::ShowSelection() {
  const Glib::RefPtr<Gtk::TreeSelection> selection = view_.get_selection();
  const int row = model_.Selected();
  if (row < 0) {
    selection->unselect_all();
    return;
  }
  const Gtk::TreeModel::Path path(std::to_string(row));
  selection->select(path);
  view_.scroll_to_row(path);
}

void SuggestionListPeer::Place() {
  Gtk::Widget* top = anchor_.get_toplevel();
  Glib::RefPtr<Gdk::Window> top_window = top ? top->get_window() : Glib::RefPtr<Gdk::Window>();
  if (!top_window) return;
  if (auto* window = dynamic_cast<Gtk::Window*>(top)) popup_.set_transient_for(*window);
  int x = 0, y = 0, origin_x = 0, origin_y = 0;
  anchor_.translate_coordinates(*top, 0, anchor_.get_allocated_height(), x, y);
  top_window->get_origin(origin_x, origin_y);
  popup_.set_size_request(anchor_.get_allocated_width(), -1);
  popup_.move(origin_x + x, origin_y + y);
}

}  // namespace tabulon::gtk
