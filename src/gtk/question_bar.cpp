#include "gtk/question_bar.h"

#include "gtk/guard.h"

namespace tabulon::gtk {

QuestionBar::QuestionBar(GtkLayout* parent, const std::string& question, const std::string& yes,
                         const std::string& no, std::function<void(bool yes)> answered)
    : parent_(parent), answered_(std::move(answered)) {
  frame_ = gtk_event_box_new();
  gtk_widget_set_name(frame_, "tabulon-question-bar");
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 6);
  gtk_container_add(GTK_CONTAINER(frame_), box);
  GtkWidget* label = gtk_label_new(question.c_str());
  // A narrow window wraps the text rather than cutting it: a notice must be
  // read whole. Japanese has no spaces to break at.
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
  gtk_label_set_width_chars(GTK_LABEL(label), 10);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);
  GtkWidget* yes_button = gtk_button_new_with_label(yes.c_str());
  gtk_box_pack_start(GTK_BOX(box), yes_button, FALSE, FALSE, 0);
  // A notice has one button, which takes it away.
  GtkWidget* no_button = no.empty() ? nullptr : gtk_button_new_with_label(no.c_str());
  if (no_button) gtk_box_pack_start(GTK_BOX(box), no_button, FALSE, FALSE, 0);
  gtk_widget_show_all(box);

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(
      css, "#tabulon-question-bar { background-color: #fff4c4; border-bottom: 1px solid #a0a0a0; }",
      -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(frame_), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  g_object_ref_sink(frame_);
  if (parent_) gtk_layout_put(parent_, frame_, 0, 0);
  gtk_widget_set_no_show_all(frame_, TRUE);
  gtk_widget_hide(frame_);
  g_signal_connect_swapped(yes_button, "clicked",
                           G_CALLBACK(+[](QuestionBar* b) { Guarded([&] { b->Answer(true); }); }),
                           this);
  if (no_button) {
    g_signal_connect_swapped(
        no_button, "clicked",
        G_CALLBACK(+[](QuestionBar* b) { Guarded([&] { b->Answer(false); }); }), this);
  }
}

QuestionBar::~QuestionBar() {
  gtk_widget_destroy(frame_);
  g_object_unref(frame_);
}

void QuestionBar::Ask() {
  asking_ = true;
  Refresh();
}

void QuestionBar::Answer(bool yes) {
  if (!asking_) return;
  asking_ = false;
  Refresh();
  // Answering may ask the next question, which takes this bar away: nothing
  // of it is used after the call.
  const std::function<void(bool)> answered = std::move(answered_);
  answered(yes);
}

void QuestionBar::Withdraw() {
  asking_ = false;
  Refresh();
}

void QuestionBar::Place(int x, int y, int width) {
  if (!parent_) return;
  gtk_widget_set_size_request(frame_, width, -1);
  gtk_layout_move(parent_, frame_, x, y);
}

void QuestionBar::PageShown(bool shown) {
  page_shown_ = shown;
  Refresh();
}

void QuestionBar::Refresh() { gtk_widget_set_visible(frame_, asking_ && page_shown_); }

}  // namespace tabulon::gtk
