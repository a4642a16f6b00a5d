#pragma once
#include <gtkmm.h>

#include <string>
#include <vector>

#include "platform/history_toolkit.h"

namespace tabulon::gtk {

// The history window: a search box, the visited pages under their days
// (newest first) with time, title and address, and a 削除 button. Closing
// it only hides it. One flat list, each day's line in bold above its
// pages: a tree store takes time in the square of a day's pages.
class HistoryWindowToolkit final : public HistoryToolkit {
 public:
  explicit HistoryWindowToolkit(Gtk::Window* main_window = nullptr);
  ~HistoryWindowToolkit() override;

  void Attach(HistoryInput& input) override;
  void ShowWindow() override;
  void ShowDays(const std::vector<HistoryDay>& days, bool more) override;

  // For tests that play the user.
  Gtk::Window& Window() { return window_; }
  Gtk::SearchEntry& SearchBox() { return search_; }
  Gtk::TreeView& Tree() { return tree_; }
  // The addresses listed, top to bottom.
  std::vector<std::string> ListedAddresses();

 private:
  struct Columns : Gtk::TreeModelColumnRecord {
    Columns() {
      add(time);
      add(title);
      add(shown);
      add(address);
      add(weight);
    }
    Gtk::TreeModelColumn<Glib::ustring> time, title, shown;
    Gtk::TreeModelColumn<std::string> address;  // "" on a day's row
    Gtk::TreeModelColumn<int> weight;
  };
  std::vector<std::string> SelectedAddresses();
  void DeleteSelected();

  HistoryInput* input_ = nullptr;
  Gtk::Window window_;
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::SearchEntry search_;
  Gtk::ScrolledWindow scroller_;
  Columns columns_;
  Glib::RefPtr<Gtk::ListStore> model_;
  Gtk::TreeView tree_;
  Gtk::Box bottom_{Gtk::ORIENTATION_HORIZONTAL, 12};
  Gtk::Label more_{"古い履歴はほかにもあります。検索すると表示されます"};
  Gtk::ButtonBox buttons_;
  Gtk::Button delete_{"削除"};
};

}  // namespace tabulon::gtk
