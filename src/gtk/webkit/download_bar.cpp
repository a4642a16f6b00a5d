#include "gtk/webkit/download_bar.h"

#include "browsing/download_gate.h"
#include "gtk/guard.h"

namespace tabulon::gtk {

DownloadBar::DownloadBar(GtkLayout* parent, std::function<void(bool allow)> answered)
    : parent_(parent), answered_(std::move(answered)) {
  frame_ = gtk_event_box_new();
  gtk_widget_set_name(frame_, "tabulon-download-bar");
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 6);
  gtk_container_add(GTK_CONTAINER(frame_), box);
  GtkWidget* label = gtk_label_new(kManyDownloadsQuestion);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);
  GtkWidget* allow = gtk_button_new_with_label("許可");
  GtkWidget* refuse = gtk_button_new_with_label("拒否");
  gtk_box_pack_start(GTK_BOX(box), allow, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), refuse, FALSE, FALSE, 0);
  gtk_widget_show_all(box);

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(
      css, "#tabulon-download-bar { background-color: #fff4c4; border-bottom: 1px solid #a0a0a0; }",
      -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(frame_), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  g_object_ref_sink(frame_);
  gtk_layout_put(parent_, frame_, 0, 0);
  gtk_widget_set_no_show_all(frame_, TRUE);
  gtk_widget_hide(frame_);
  g_signal_connect_swapped(allow, "clicked",
                           G_CALLBACK(+[](DownloadBar* b) { Guarded([&] { b->Answer(true); }); }),
                           this);
  g_signal_connect_swapped(refuse, "clicked",
                           G_CALLBACK(+[](DownloadBar* b) { Guarded([&] { b->Answer(false); }); }),
                           this);
}

DownloadBar::~DownloadBar() {
  gtk_widget_destroy(frame_);
  g_object_unref(frame_);
}

void DownloadBar::Ask() {
  asking_ = true;
  Refresh();
}

void DownloadBar::Answer(bool allow) {
  if (!asking_) return;
  asking_ = false;
  Refresh();
  answered_(allow);
}

void DownloadBar::Place(int x, int y, int width) {
  gtk_widget_set_size_request(frame_, width, -1);
  gtk_layout_move(parent_, frame_, x, y);
}

void DownloadBar::PageShown(bool shown) {
  page_shown_ = shown;
  Refresh();
}

void DownloadBar::Refresh() { gtk_widget_set_visible(frame_, asking_ && page_shown_); }

}  // namespace tabulon::gtk
