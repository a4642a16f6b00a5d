#include "gtk/gtk_services.h"

#include "gtk/guard.h"

namespace tabulon::gtk {

std::string GtkClipboard::GetText() {
  auto clipboard = Gtk::Clipboard::get();
  return clipboard->wait_is_text_available() ? std::string(clipboard->wait_for_text()) : "";
}

void GtkClipboard::SetText(const std::string& text) {
  auto clipboard = Gtk::Clipboard::get();
  clipboard->set_text(text);
  clipboard->store();
}

void GtkMessageBoxes::Show(const std::string& text, const std::string& caption) {
  Gtk::MessageDialog dialog(text, false, Gtk::MESSAGE_OTHER, Gtk::BUTTONS_OK, true);
  if (parent_) dialog.set_transient_for(*parent_);
  dialog.set_title(caption);
  dialog.run();
}

void PostToMainLoop(std::function<void()> task) {
  g_idle_add_full(
      G_PRIORITY_DEFAULT_IDLE,
      +[](gpointer data) -> gboolean {
        Guarded([data] { (*static_cast<std::function<void()>*>(data))(); });
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(task)),
      +[](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

bool SpawnProcessStarter::Start(const std::string& command_line) {
  try {
    Glib::spawn_command_line_async(command_line);
    return true;
  } catch (const Glib::Error&) {
    return false;
  }
}

void HideOnCloseOrEscape(Gtk::Window& window) {
  window.signal_delete_event().connect([&window](GdkEventAny*) {
    window.hide();
    return true;
  });
  window.signal_key_press_event().connect(
      [&window](GdkEventKey* event) {
        if (event->keyval != GDK_KEY_Escape) return false;
        window.hide();
        return true;
      },
      false);
}

}  // namespace tabulon::gtk
