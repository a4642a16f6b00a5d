#include "gtk/icons.h"

#include <gtkmm/window.h>

#include <string>
#include <vector>

#include "settings/basqks_api.h"

namespace tabulon::gtk {

namespace {
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

// Where the icon theme folders are looked for, first match first. An
// installed program finds the icons installed with it through its own place
// (so a package and any install prefix both work); a program run from the
// build folder finds them in the data folder the build links beside it.
std::vector<std::string> DataFolders() {
  const std::string folder = ExecutableFolder();
  return {folder + "/" + TABULON_DATA_DIR_FROM_BIN, folder + "/data"};
}
}  // namespace

Glib::RefPtr<Gdk::Pixbuf> ProgramIcon(int size) {
  const std::string n = std::to_string(size);
  for (const std::string& folder : DataFolders()) {
    const std::string path = folder + "/icons/hicolor/" + n + "x" + n + "/apps/tabulon.png";
    try {
      return Gdk::Pixbuf::create_from_file(path);
    } catch (const Glib::Error&) {
      // Not there, or unreadable: try the next place.
    }
  }
  return {};
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
