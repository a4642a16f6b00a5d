#pragma once
#include <gtkmm.h>

#include "platform/controls.h"
#include "platform/toolkit.h"

namespace tabulon::gtk {

// The list of suggestions, dropped down under the URL box in a window of
// its own. It never takes the keyboard focus: the box keeps it, and the
// program moves the list's choice.
class SuggestionListPeer final : public ControlPeer {
 public:
  SuggestionListPeer(DropList& model, Gtk::Widget& anchor, MainWindowInput& input);
  ~SuggestionListPeer() override;
  void Changed(Prop prop) override;

 private:
  struct Columns : Gtk::TreeModelColumnRecord {
    Gtk::TreeModelColumn<Glib::ustring> title, address, note;
    Columns() {
      add(title);
      add(address);
      add(note);
    }
  };
  void Fill();
  void ShowSelection();
  // Under the box, as wide as it.
  void Place();

  DropList& model_;
  Gtk::Widget& anchor_;
  MainWindowInput& input_;
  Columns columns_;
  Glib::RefPtr<Gtk::ListStore> store_ = Gtk::ListStore::create(columns_);
  Gtk::Window popup_{Gtk::WINDOW_POPUP};
  Gtk::Frame frame_;
  Gtk::TreeView view_;
};

}  // namespace tabulon::gtk
