#include "gtk/webkit/page_area.h"

#include <gtk/gtkunixprint.h>

#include <algorithm>
#include <cstring>

#include "base/keys.h"
#include "browsing/page_features.h"
#include "gtk/guard.h"
#include "gtk/key_translation.h"
#include "gtk/webkit/downloads.h"

namespace tabulon::gtk {

namespace {

constexpr char kAreaKey[] = "tabulon-page-area";
constexpr int kVkF = 'F';
constexpr int kVkP = 'P';

bool IsAttachment(WebKitURIResponse* response) {
  SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
  if (!headers) return false;
  const char* disposition = soup_message_headers_get_one(headers, "Content-Disposition");
  return disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

void OnPrintFinished(WebKitPrintOperation* operation, gpointer) { g_object_unref(operation); }

// view: the page printed; its tab may have closed since.
void OnPrintFailed(WebKitPrintOperation*, GError*, gpointer view) {
  if (PageArea* area = PageArea::Of(static_cast<WebKitWebView*>(view))) {
    area->ShowStatus("印刷できませんでした");
  }
}

// One print dialog at a time in the whole program, and the page it prints.
GtkWidget* print_dialog = nullptr;
PageArea* print_dialog_owner = nullptr;
bool print_dialog_open = false;
// How long after the user's click or key a page may still ask to print.
constexpr gint64 kGestureMicroseconds = 1000000;

}  // namespace

PageArea::PageArea(WebKitWebView* view, GtkLayout* parent, BrowserEvents& events, int index)
    : view_(view),
      events_(events),
      index_(index),
      find_bar_(view, parent),
      dialog_(view, parent),
      download_bar_(parent, kManyDownloadsQuestion, "許可", "拒否", [this](bool allow) {
        if (allow) {
          download_gate_.Allow();
        } else {
          download_gate_.Refuse();
        }
        HeldDownloadsAnswered(this, allow);
      }) {
  g_object_set_data(G_OBJECT(view_), kAreaKey, this);
  gtk_widget_add_events(GTK_WIDGET(view_), GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK);
  g_signal_connect(view_, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect(view_, "scroll-event", G_CALLBACK(OnScroll), this);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view_, "print", G_CALLBACK(OnPagePrint), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "button-press-event", G_CALLBACK(OnUserInput), this);
  g_signal_connect(view_, "key-press-event", G_CALLBACK(OnUserInput), this);
  WatchDownloads(webkit_web_view_get_context(view_));
}

PageArea::~PageArea() {
  // A tab that closes takes its print dialog with it.
  if (print_dialog_owner == this) ClosePrintDialog();
  ForgetArea(this);
  g_signal_handlers_disconnect_by_data(view_, this);
  g_object_set_data(G_OBJECT(view_), kAreaKey, nullptr);
}

PageArea* PageArea::Of(WebKitWebView* view) {
  return static_cast<PageArea*>(g_object_get_data(G_OBJECT(view), kAreaKey));
}

void PageArea::ShowStatus(const std::string& text) {
  Guarded([&] { events_.brwPage_StatusTextChange(index_, text); });
}

void PageArea::ShowProgress(int permille) {
  Guarded([&] { events_.brwPage_ProgressChange(index_, permille, 1000); });
}

double PageArea::ZoomLevel() const { return webkit_web_view_get_zoom_level(view_); }
void PageArea::ZoomIn() { SetZoom(tabulon::ZoomIn(ZoomLevel())); }
void PageArea::ZoomOut() { SetZoom(tabulon::ZoomOut(ZoomLevel())); }
void PageArea::ResetZoom() { SetZoom(kNormalZoom); }

void PageArea::SetZoom(double level) {
  webkit_web_view_set_zoom_level(view_, level);
  ShowStatus(ZoomText(level));
}

bool PageArea::WaitsOnUser() const { return print_dialog_open || dialog_.IsOpen(); }

// The dialog is not modal, so that the window and its other tabs go on
// working, and the window can close, while it is open. Printing starts when
// the user answers it.
void PageArea::Print() {
  if (print_dialog_open) return;
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view_));
  GtkWidget* dialog =
      gtk_print_unix_dialog_new("印刷", GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr);
  auto* unix_dialog = GTK_PRINT_UNIX_DIALOG(dialog);
  gtk_print_unix_dialog_set_manual_capabilities(
      unix_dialog,
      static_cast<GtkPrintCapabilities>(
          GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_COPIES |
          GTK_PRINT_CAPABILITY_COLLATE | GTK_PRINT_CAPABILITY_REVERSE | GTK_PRINT_CAPABILITY_SCALE |
          GTK_PRINT_CAPABILITY_GENERATE_PDF | GTK_PRINT_CAPABILITY_GENERATE_PS |
          GTK_PRINT_CAPABILITY_NUMBER_UP | GTK_PRINT_CAPABILITY_NUMBER_UP_LAYOUT));
  gtk_print_unix_dialog_set_embed_page_setup(unix_dialog, TRUE);
  gtk_window_set_modal(GTK_WINDOW(dialog), FALSE);
  g_signal_connect(dialog, "response", G_CALLBACK(OnPrintAnswered), this);
  print_dialog = dialog;
  print_dialog_owner = this;
  print_dialog_open = true;
  gtk_widget_show(dialog);
}

void PageArea::OnPrintAnswered(GtkDialog* dialog, gint response, gpointer self) {
  auto* area = static_cast<PageArea*>(self);
  if (response == GTK_RESPONSE_OK) {
    auto* unix_dialog = GTK_PRINT_UNIX_DIALOG(dialog);
    GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(unix_dialog);
    if (GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(unix_dialog)) {
      gtk_print_settings_set_printer(settings, gtk_printer_get_name(printer));
    }
    WebKitPrintOperation* operation = webkit_print_operation_new(area->view_);
    webkit_print_operation_set_print_settings(operation, settings);
    webkit_print_operation_set_page_setup(operation,
                                          gtk_print_unix_dialog_get_page_setup(unix_dialog));
    g_object_unref(settings);
    // Printing goes on after the dialog; the operation lives until it ends.
    g_signal_connect_object(operation, "failed", G_CALLBACK(OnPrintFailed), area->view_,
                            static_cast<GConnectFlags>(0));
    g_signal_connect(operation, "finished", G_CALLBACK(OnPrintFinished), nullptr);
    webkit_print_operation_print(operation);
  }
  ClosePrintDialog();
}

void PageArea::ClosePrintDialog() {
  GtkWidget* dialog = print_dialog;
  print_dialog = nullptr;
  print_dialog_owner = nullptr;
  print_dialog_open = false;
  if (dialog) gtk_widget_destroy(dialog);
}

DownloadGate::Verdict PageArea::DownloadArrived() {
  const DownloadGate::Verdict verdict =
      download_gate_.Arrived(g_get_monotonic_time(), std::max(last_gesture_us_, last_request_us_),
                             last_request_us_ > last_gesture_us_);
  if (verdict == DownloadGate::Verdict::kHold && !download_bar_.Asking()) download_bar_.Ask();
  return verdict;
}

void PageArea::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  if (event != WEBKIT_LOAD_COMMITTED) return;
  auto* area = static_cast<PageArea*>(self);
  area->download_gate_.PageNavigated();
  area->typed_since_load_ = false;
}

gboolean PageArea::OnUserInput(GtkWidget*, GdkEvent* event, gpointer self) {
  auto* area = static_cast<PageArea*>(self);
  area->last_gesture_us_ = g_get_monotonic_time();
  if (event->type == GDK_KEY_PRESS) area->typed_since_load_ = true;
  return FALSE;
}

bool PageArea::KeepsPage() const {
  return typed_since_load_ || dialog_.IsOpen() || print_dialog_owner == this;
}

// window.print(): a page may start printing once per click or key of the
// user's, and never while a print dialog is open; a page calling it in a
// loop would otherwise keep the user in print dialogs.
gboolean PageArea::OnPagePrint(WebKitWebView*, WebKitPrintOperation*, gpointer self) {
  auto* area = static_cast<PageArea*>(self);
  const bool gesture = area->last_gesture_us_ != 0 &&
                       g_get_monotonic_time() - area->last_gesture_us_ < kGestureMicroseconds;
  if (!gesture || print_dialog_open) {
    area->ShowStatus("このページからの印刷要求を無視しました");
    return TRUE;
  }
  area->last_gesture_us_ = 0;
  Guarded([&] { area->Print(); });
  return TRUE;
}

gboolean PageArea::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  return static_cast<PageArea*>(self)->HandleKey(event);
}

// The window has passed the key on: these are the page area's own keys.
// Ctrl+0 is the window's (a favourite) and only arrives here if the window
// ever lets it go.
bool PageArea::HandleKey(const GdkEventKey* event) {
  const guint mods = event->state & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK);
  if (!(mods & GDK_CONTROL_MASK) || (mods & GDK_MOD1_MASK)) return false;
  switch (event->keyval) {
    case GDK_KEY_plus:
    case GDK_KEY_equal:
    case GDK_KEY_KP_Add: ZoomIn(); return true;
    case GDK_KEY_minus:
    case GDK_KEY_underscore:
    case GDK_KEY_KP_Subtract: ZoomOut(); return true;
    case GDK_KEY_0:
    case GDK_KEY_KP_0: ResetZoom(); return true;
    default: break;
  }
  if (mods != GDK_CONTROL_MASK) return false;
  // Letters by their place on the keyboard, so Ctrl+F works on any layout.
  VirtualKey vk = TranslateKey(event);
  if (vk.key == kVkF) {
    find_bar_.Open();
    return true;
  }
  if (vk.key == kVkP) {
    Print();
    return true;
  }
  return false;
}

gboolean PageArea::OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self) {
  return static_cast<PageArea*>(self)->HandleScroll(event);
}

bool PageArea::HandleScroll(const GdkEventScroll* event) {
  if (!(event->state & GDK_CONTROL_MASK)) return false;
  double dy = 0;
  if (event->direction == GDK_SCROLL_UP) dy = -1;
  if (event->direction == GDK_SCROLL_DOWN) dy = 1;
  if (event->direction == GDK_SCROLL_SMOOTH) dy = event->delta_y;
  if (dy < 0) ZoomIn();
  if (dy > 0) ZoomOut();
  return true;  // the page does not scroll while zooming
}

// A response the engine cannot show, or one the server marks as a file to
// save, becomes a download instead of an empty page.
gboolean PageArea::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                  WebKitPolicyDecisionType type, gpointer) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(response_decision);
  if (!response) return FALSE;
  if (!IsAttachment(response) &&
      webkit_response_policy_decision_is_mime_type_supported(response_decision)) {
    return FALSE;
  }
  webkit_policy_decision_download(decision);
  return TRUE;
}

}  // namespace tabulon::gtk
