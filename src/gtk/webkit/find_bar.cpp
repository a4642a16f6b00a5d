#include "gtk/webkit/find_bar.h"

#include "browsing/page_features.h"

namespace tabulon::gtk {

namespace {
constexpr guint32 kFindOptions =
    WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;

GtkWidget* FlatButton(const char* label, const char* tip) {
  GtkWidget* button = gtk_button_new_with_label(label);
  gtk_button_set_relief(GTK_BUTTON(button), GTK_RELIEF_NONE);
  gtk_widget_set_tooltip_text(button, tip);
  gtk_widget_set_can_focus(button, FALSE);
  return button;
}
}  // namespace

FindBar::FindBar(WebKitWebView* view, GtkLayout* parent)
    : view_(view), parent_(parent), finder_(webkit_web_view_get_find_controller(view)) {
  frame_ = gtk_event_box_new();
  gtk_widget_set_name(frame_, "tabulon-find-bar");
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
  gtk_container_set_border_width(GTK_CONTAINER(box), 3);
  gtk_container_add(GTK_CONTAINER(frame_), box);
  gtk_box_pack_start(GTK_BOX(box), gtk_label_new("検索:"), FALSE, FALSE, 0);
  entry_ = gtk_entry_new();
  gtk_entry_set_width_chars(GTK_ENTRY(entry_), 14);
  gtk_box_pack_start(GTK_BOX(box), entry_, FALSE, FALSE, 0);
  count_ = gtk_label_new("");
  gtk_label_set_width_chars(GTK_LABEL(count_), 9);
  gtk_box_pack_start(GTK_BOX(box), count_, FALSE, FALSE, 0);
  GtkWidget* previous = FlatButton("▲", "前を検索 (Shift+Enter)");
  GtkWidget* next = FlatButton("▼", "次を検索 (Enter)");
  GtkWidget* close = FlatButton("✕", "閉じる (Esc)");
  gtk_box_pack_start(GTK_BOX(box), previous, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), next, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), close, FALSE, FALSE, 0);
  gtk_widget_show_all(box);

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(
      css, "#tabulon-find-bar { background-color: #f4f4f4; border-top: 1px solid #a0a0a0; }", -1,
      nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(frame_), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  g_object_ref_sink(frame_);
  gtk_layout_put(parent_, frame_, 0, 0);
  gtk_widget_set_no_show_all(frame_, TRUE);
  gtk_widget_hide(frame_);

  g_signal_connect(entry_, "changed", G_CALLBACK(OnChanged), this);
  g_signal_connect(entry_, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect_swapped(previous, "clicked", G_CALLBACK(+[](FindBar* bar) { bar->Previous(); }),
                           this);
  g_signal_connect_swapped(next, "clicked", G_CALLBACK(+[](FindBar* bar) { bar->Next(); }), this);
  g_signal_connect_swapped(close, "clicked", G_CALLBACK(+[](FindBar* bar) { bar->Close(); }), this);
  g_signal_connect(finder_, "counted-matches", G_CALLBACK(OnCounted), this);
  g_signal_connect(finder_, "failed-to-find-text", G_CALLBACK(OnNotFound), this);
}

FindBar::~FindBar() {
  g_signal_handlers_disconnect_by_data(finder_, this);
  gtk_widget_destroy(frame_);
  g_object_unref(frame_);
}

void FindBar::Open() {
  bool was_open = open_;
  open_ = true;
  gtk_widget_set_visible(frame_, page_shown_);
  if (!was_open) RoomChanged();
  gtk_widget_grab_focus(entry_);
  gtk_editable_select_region(GTK_EDITABLE(entry_), 0, -1);
  if (!was_open) Search();
}

void FindBar::Close() {
  if (!open_) return;
  open_ = false;
  webkit_find_controller_search_finish(finder_);
  gtk_widget_hide(frame_);
  RoomChanged();
  gtk_widget_grab_focus(GTK_WIDGET(view_));
}

bool FindBar::IsOpen() const { return open_; }

void FindBar::Next() {
  if (!Text().empty()) webkit_find_controller_search_next(finder_);
}

void FindBar::Previous() {
  if (!Text().empty()) webkit_find_controller_search_previous(finder_);
}

void FindBar::SetText(const std::string& text) {
  gtk_entry_set_text(GTK_ENTRY(entry_), text.c_str());
}

std::string FindBar::Text() const { return gtk_entry_get_text(GTK_ENTRY(entry_)); }

std::string FindBar::CountText() const { return gtk_label_get_text(GTK_LABEL(count_)); }

void FindBar::Search() {
  std::string text = Text();
  if (text.empty()) {
    webkit_find_controller_search_finish(finder_);
    gtk_label_set_text(GTK_LABEL(count_), "");
    return;
  }
  webkit_find_controller_count_matches(finder_, text.c_str(), kFindOptions, kMaxCounted);
  webkit_find_controller_search(finder_, text.c_str(), kFindOptions, kMaxCounted);
}

int FindBar::Height() const {
  if (!open_ || !page_shown_) return 0;
  int natural = 0;
  gtk_widget_get_preferred_height(frame_, nullptr, &natural);
  return natural;
}

void FindBar::Place(int x, int y, int width) {
  gtk_widget_set_size_request(frame_, width, -1);
  gtk_layout_move(parent_, frame_, x, y);
}

void FindBar::RoomChanged() {
  if (room_changed_) room_changed_();
}

void FindBar::OnChanged(GtkEditable*, gpointer self) { static_cast<FindBar*>(self)->Search(); }

gboolean FindBar::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      if (event->state & GDK_SHIFT_MASK) {
        bar->Previous();
      } else {
        bar->Next();
      }
      return TRUE;
    case GDK_KEY_Escape: bar->Close(); return TRUE;
    default: return FALSE;
  }
}

void FindBar::OnCounted(WebKitFindController*, guint count, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  gtk_label_set_text(GTK_LABEL(bar->count_), FindCountText(count, kMaxCounted).c_str());
}

void FindBar::OnNotFound(WebKitFindController*, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  gtk_label_set_text(GTK_LABEL(bar->count_), FindCountText(0, kMaxCounted).c_str());
}

void FindBar::PageShown(bool shown) {
  page_shown_ = shown;
  gtk_widget_set_visible(frame_, open_ && shown);
}

}  // namespace tabulon::gtk
