#pragma once
#include <gtkmm.h>

#include <memory>
#include <string>

#include "platform/favourites_toolkit.h"

namespace tabulon::gtk {

// The favourites dialog as a GTK dialog: fixed size, modal over the main
// window, every control where its model says (twips turned to pixels here).
class GtkFavouritesToolkit final : public FavouritesToolkit {
 public:
  explicit GtkFavouritesToolkit(Gtk::Window& parent);
  ~GtkFavouritesToolkit() override;

  void BuildDialog(FormIni& form) override;
  void RunModal(FormIni& form) override;
  void DestroyDialog() override;

  // The dialog while one exists, and the widget of one of its controls by
  // the control's name ("cmdOK", "optMode(1)"): for tests that drive it.
  Gtk::Dialog* Dialog();
  Gtk::Widget* Widget(const std::string& control_name);

 private:
  class Widgets;
  Gtk::Window& parent_;
  std::unique_ptr<Widgets> widgets_;
};

}  // namespace tabulon::gtk
