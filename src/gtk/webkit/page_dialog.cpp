#include "gtk/webkit/page_dialog.h"

#include <algorithm>

#include "gtk/guard.h"

namespace tabulon::gtk {

namespace {
constexpr int kMaxWidth = 460;  // pixels
constexpr int kMargin = 16;

PageDialogKind KindOf(WebKitScriptDialog* dialog) {
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM: return PageDialogKind::kConfirm;
    case WEBKIT_SCRIPT_DIALOG_PROMPT: return PageDialogKind::kPrompt;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM: return PageDialogKind::kLeavePage;
    default: return PageDialogKind::kAlert;
  }
}

// Gives the engine its answer and lets it go on.
void Reply(WebKitScriptDialog* dialog, PageDialogKind kind, bool accept, const char* text) {
  if (kind == PageDialogKind::kConfirm || kind == PageDialogKind::kLeavePage) {
    webkit_script_dialog_confirm_set_confirmed(dialog, accept);
  } else if (kind == PageDialogKind::kPrompt && accept) {
    webkit_script_dialog_prompt_set_text(dialog, text);
  }
}
}  // namespace

PageDialog::PageDialog(WebKitWebView* view, GtkLayout* parent) : view_(view), parent_(parent) {
  frame_ = gtk_event_box_new();
  gtk_widget_set_name(frame_, "tabulon-page-dialog");
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 12);
  gtk_container_add(GTK_CONTAINER(frame_), box);
  message_ = gtk_label_new("");
  gtk_label_set_line_wrap(GTK_LABEL(message_), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(message_), PANGO_WRAP_WORD_CHAR);
  gtk_label_set_xalign(GTK_LABEL(message_), 0);
  gtk_label_set_max_width_chars(GTK_LABEL(message_), 60);
  gtk_label_set_selectable(GTK_LABEL(message_), TRUE);
  gtk_box_pack_start(GTK_BOX(box), message_, FALSE, FALSE, 0);
  entry_ = gtk_entry_new();
  gtk_box_pack_start(GTK_BOX(box), entry_, FALSE, FALSE, 0);
  stop_ = gtk_check_button_new_with_label(kStopPageDialogsText);
  gtk_box_pack_start(GTK_BOX(box), stop_, FALSE, FALSE, 0);
  GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
  gtk_box_set_spacing(GTK_BOX(buttons), 6);
  accept_ = gtk_button_new_with_label("OK");
  refuse_ = gtk_button_new_with_label("");
  gtk_container_add(GTK_CONTAINER(buttons), accept_);
  gtk_container_add(GTK_CONTAINER(buttons), refuse_);
  gtk_box_pack_start(GTK_BOX(box), buttons, FALSE, FALSE, 0);
  gtk_widget_show_all(box);

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(
      css, "#tabulon-page-dialog { background-color: #f6f6f6; border: 1px solid #808080; }", -1,
      nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(frame_), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  g_object_ref_sink(frame_);
  gtk_layout_put(parent_, frame_, 0, 0);
  gtk_widget_set_no_show_all(frame_, TRUE);
  gtk_widget_hide(frame_);

  g_signal_connect_swapped(accept_, "clicked",
                           G_CALLBACK(+[](PageDialog* d) { Guarded([&] { d->Answer(true); }); }),
                           this);
  g_signal_connect_swapped(refuse_, "clicked",
                           G_CALLBACK(+[](PageDialog* d) { Guarded([&] { d->Answer(false); }); }),
                           this);
  g_signal_connect(frame_, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect(view_, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
}

PageDialog::~PageDialog() {
  g_signal_handlers_disconnect_by_data(view_, this);
  // The page must not wait for a tab that is gone.
  if (dialog_) Answer(AnswerWithoutAsking(kind_));
  gtk_widget_destroy(frame_);
  g_object_unref(frame_);
}

std::string PageDialog::Message() const { return gtk_label_get_text(GTK_LABEL(message_)); }

void PageDialog::Place(int x, int y, int width, int) {
  x_ = x;
  y_ = y;
  width_ = width;
  if (IsOpen()) Refresh();
}

void PageDialog::PageShown(bool shown) {
  page_shown_ = shown;
  if (IsOpen()) Refresh();
}

// Centred at the top of the page, like the engine's own sheets; only while
// the tab is in front.
void PageDialog::Refresh() {
  const bool show = IsOpen() && page_shown_;
  if (show) {
    const int width = std::max(0, std::min(kMaxWidth, width_ - 2 * kMargin));
    gtk_widget_set_size_request(frame_, width, -1);
    gtk_layout_move(parent_, frame_, x_ + (width_ - width) / 2, y_ + kMargin);
  }
  const bool was_shown = gtk_widget_get_visible(frame_);
  gtk_widget_set_visible(frame_, show);
  if (show && !was_shown) {
    gtk_widget_grab_focus(kind_ == PageDialogKind::kPrompt ? entry_ : accept_);
  }
}

void PageDialog::Open(WebKitScriptDialog* dialog) {
  dialog_ = webkit_script_dialog_ref(dialog);
  kind_ = KindOf(dialog);
  const char* message = webkit_script_dialog_get_message(dialog);
  gtk_label_set_text(GTK_LABEL(message_), kind_ == PageDialogKind::kLeavePage
                                              ? kLeavePageQuestion
                                              : (message ? message : ""));
  gtk_widget_set_visible(entry_, kind_ == PageDialogKind::kPrompt);
  if (kind_ == PageDialogKind::kPrompt) {
    const char* text = webkit_script_dialog_prompt_get_default_text(dialog);
    gtk_entry_set_text(GTK_ENTRY(entry_), text ? text : "");
  }
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(stop_), FALSE);
  gtk_widget_set_visible(stop_, policy_.OffersToStop());
  gtk_button_set_label(GTK_BUTTON(accept_), AcceptCaption(kind_).c_str());
  const std::string refuse = RefuseCaption(kind_);
  gtk_button_set_label(GTK_BUTTON(refuse_), refuse.c_str());
  gtk_widget_set_visible(refuse_, !refuse.empty());
  Refresh();
}

void PageDialog::Answer(bool accept) {
  if (!dialog_) return;
  WebKitScriptDialog* dialog = dialog_;
  dialog_ = nullptr;
  if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(stop_))) policy_.StopShowing();
  const bool had_focus = gtk_widget_get_visible(frame_);
  gtk_widget_hide(frame_);
  Reply(dialog, kind_, accept, gtk_entry_get_text(GTK_ENTRY(entry_)));
  webkit_script_dialog_close(dialog);
  webkit_script_dialog_unref(dialog);
  if (had_focus) gtk_widget_grab_focus(GTK_WIDGET(view_));
}

gboolean PageDialog::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
  auto* d = static_cast<PageDialog*>(self);
  Guarded([&] {
    // One at a time; a page stopped from asking is answered at once.
    if (d->dialog_ || !d->policy_.ShouldShow()) {
      const PageDialogKind kind = KindOf(dialog);
      Reply(dialog, kind, AnswerWithoutAsking(kind), nullptr);
      return;
    }
    d->Open(dialog);
  });
  return TRUE;
}

void PageDialog::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  if (event == WEBKIT_LOAD_COMMITTED) static_cast<PageDialog*>(self)->policy_.PageNavigated();
}

gboolean PageDialog::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* d = static_cast<PageDialog*>(self);
  if (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
      // The focused button answers for itself.
      if (GTK_IS_BUTTON(gtk_window_get_focus(GTK_WINDOW(gtk_widget_get_toplevel(d->frame_))))) {
        return FALSE;
      }
      Guarded([&] { d->Answer(true); });
      return TRUE;
    case GDK_KEY_Escape:
      // Cancel, or for an alert its one button.
      Guarded([&] { d->Answer(d->kind_ == PageDialogKind::kAlert); });
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace tabulon::gtk
