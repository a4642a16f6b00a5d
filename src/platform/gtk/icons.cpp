#include "platform/gtk/icons.h"

#include <gtkmm/window.h>

#include <string>
#include <vector>

namespace tabulon::gtk {

namespace {
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};
}

Glib::RefPtr<Gdk::Pixbuf> ProgramIcon(int size) {
  const std::string n = std::to_string(size);
  const std::string path =
      std::string(TABULON_DATA_DIR) + "/icons/hicolor/" + n + "x" + n + "/apps/tabulon.png";
  try {
    return Gdk::Pixbuf::create_from_file(path);
  } catch (const Glib::Error&) {
    return {};
  }
}

void UseProgramIcon() {
  std::vector<Glib::RefPtr<Gdk::Pixbuf>> icons;
  for (int size : kIconSizes) {
    if (auto icon = ProgramIcon(size)) icons.push_back(icon);
  }
  // Without the pictures the windows keep the desktop's generic icon.
  if (!icons.empty()) Gtk::Window::set_default_icon_list(icons);
}

}  // namespace tabulon::gtk
