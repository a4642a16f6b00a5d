#include "gtk/favourites_dialog.h"

#include <algorithm>
#include <map>
#include <vector>

#include "base/keys.h"
#include "favourites/form_ini.h"
#include "gtk/guard.h"
#include "gtk/key_translation.h"
#include "gtk/placed_peer.h"
#include "gtk/units.h"

namespace tabulon::gtk {
namespace {

// Controls sit on one layer of the dialog: a position inside a frame or a
// panel is counted from that container's corner, as the dialog lays them out.
void AbsolutePixels(const DialogControl& control, int& x, int& y) {
  std::int64_t left = 0, top = 0;
  for (const DialogControl* c = &control; c; c = c->Container()) {
    left += c->Left();
    top += c->Top();
  }
  x = TwipsToPixels(left);
  y = TwipsToPixels(top);
}

// A control of the dialog, placed like the main window's, on the dialog's
// one layer; it can be disabled and take the focus.
class FixedPeer : public BasicPlacedPeer<Gtk::Fixed> {
 public:
  FixedPeer(DialogControl& model, Gtk::Widget& widget, Gtk::Fixed& root,
            Gtk::Widget* focus = nullptr)
      : BasicPlacedPeer(model, widget, root),
        dialog_model_(model),
        focus_(focus ? *focus : widget) {
    Place();
    Changed(Prop::Enabled);
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Enabled) {
      widget_.set_sensitive(dialog_model_.Enabled());
    } else {
      BasicPlacedPeer::Changed(prop);
    }
  }
  bool TakeFocus() override {
    if (!focus_.get_is_drawable() || !focus_.get_sensitive()) return false;
    focus_.grab_focus();
    return true;
  }

 protected:
  void Position(int& x, int& y) const override { AbsolutePixels(dialog_model_, x, y); }

  DialogControl& dialog_model_;
  Gtk::Widget& focus_;
};

class FixedLabelPeer final : public FixedPeer {
 public:
  FixedLabelPeer(DialogControl& model, Gtk::Label& label, Gtk::Fixed& root)
      : FixedPeer(model, label, root), label_(label) {
    label_.set_xalign(0.0f);
    label_.set_yalign(0.0f);
    label_.set_text(model.Caption());
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Caption) {
      label_.set_text(model_.Caption());
    } else {
      FixedPeer::Changed(prop);
    }
  }

 private:
  Gtk::Label& label_;
};

class FramePeer final : public FixedPeer {
 public:
  FramePeer(DialogControl& model, Gtk::Frame& frame, Gtk::Fixed& root)
      : FixedPeer(model, frame, root), frame_(frame) {
    frame_.set_label(model.Caption());
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Caption) {
      frame_.set_label(model_.Caption());
    } else {
      FixedPeer::Changed(prop);
    }
  }

 private:
  Gtk::Frame& frame_;
};

class FixedButtonPeer final : public FixedPeer {
 public:
  FixedButtonPeer(CommandButton& model, Gtk::Button& button, Gtk::Fixed& root)
      : FixedPeer(model, button, root), button_(button) {
    button_.set_label(model.Caption());
    button_.signal_clicked().connect([&model] {
      Guarded([&model] {
        if (model.Click) model.Click();
      });
    });
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Caption) {
      button_.set_label(model_.Caption());
    } else {
      FixedPeer::Changed(prop);
    }
  }

 private:
  Gtk::Button& button_;
};

class OptionPeer final : public FixedPeer {
 public:
  // `none` is a hidden member of the group: it holds the group's selection
  // while no option is chosen, as at design time.
  OptionPeer(OptionButton& model, Gtk::RadioButton& radio, Gtk::RadioButton& none, Gtk::Fixed& root)
      : FixedPeer(model, radio, root), option_(model), radio_(radio), none_(none) {
    radio_.set_label(model.Caption());
    radio_.signal_toggled().connect([this] {
      if (echoing_ || !radio_.get_active()) return;
      Guarded([this] { option_.FeedValue(true); });
    });
    radio_.signal_key_press_event().connect(
        [this](GdkEventKey* event) {
          const VirtualKey vk = TranslateKey(event);
          if (vk.key == 0) return false;
          Guarded([&] {
            if (option_.KeyDown) option_.KeyDown(vk.key, vk.mask);
          });
          // Enter has done its work (the focus is on the list); it must not
          // also choose the option.
          return vk.key == kVkReturn;
        },
        false);
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Checked) {
      echoing_ = true;
      if (option_.Value()) {
        radio_.set_active(true);
      } else if (radio_.get_active()) {
        none_.set_active(true);
      }
      echoing_ = false;
    } else if (prop == Prop::Caption) {
      radio_.set_label(model_.Caption());
    } else {
      FixedPeer::Changed(prop);
    }
  }

 private:
  OptionButton& option_;
  Gtk::RadioButton& radio_;
  Gtk::RadioButton& none_;
  bool echoing_ = false;
};

class TextPeer final : public FixedPeer {
 public:
  TextPeer(TextBox& model, Gtk::Entry& entry, Gtk::Fixed& root)
      : FixedPeer(model, entry, root), text_(model), entry_(entry) {
    if (!model.InputMethod()) {
      // Addresses are typed in Latin letters: no input method here.
      entry_.set_input_purpose(Gtk::INPUT_PURPOSE_URL);
      entry_.set_input_hints(Gtk::INPUT_HINT_NO_EMOJI | Gtk::INPUT_HINT_INHIBIT_OSK);
      g_object_set(entry_.gobj(), "im-module", "gtk-im-context-none", nullptr);
    }
    Changed(Prop::Text);
    entry_.signal_changed().connect([this] {
      if (!echoing_) text_.FeedText(entry_.get_text());
    });
    entry_.signal_focus_in_event().connect(
        [this](GdkEventFocus*) {
          Guarded([this] {
            if (text_.GotFocus) text_.GotFocus();
          });
          // A mouse click that brought the focus places the caret after
          // this; the selection the handler made is put back once it has.
          reselect_.disconnect();
          reselect_ = Glib::signal_idle().connect([this] {
            ApplySelection();
            return false;
          });
          return false;
        },
        false);
  }
  ~TextPeer() override { reselect_.disconnect(); }
  void Changed(Prop prop) override {
    if (prop == Prop::Text) {
      echoing_ = true;
      if (entry_.get_text() != text_.Text()) entry_.set_text(text_.Text());
      ApplySelection();
      echoing_ = false;
    } else {
      FixedPeer::Changed(prop);
    }
  }

 private:
  void ApplySelection() {
    entry_.select_region(text_.SelStart(), text_.SelStart() + text_.SelLength());
  }
  TextBox& text_;
  Gtk::Entry& entry_;
  bool echoing_ = false;
  sigc::connection reselect_;
};

class ListColumns final : public Gtk::TreeModelColumnRecord {
 public:
  ListColumns() { add(text); }
  Gtk::TreeModelColumn<Glib::ustring> text;
};

class ListPeer final : public FixedPeer {
 public:
  ListPeer(ListBox& model, Gtk::ScrolledWindow& scroller, Gtk::TreeView& tree, Gtk::Fixed& root)
      : FixedPeer(model, scroller, root, &tree), list_(model), tree_(tree) {
    store_ = Gtk::ListStore::create(columns_);
    tree_.set_model(store_);
    tree_.set_headers_visible(false);
    tree_.set_enable_search(false);
    // The cell expands the tab characters of a line to even tab stops.
    auto* renderer = Gtk::manage(new Gtk::CellRendererText());
    renderer->property_ypad() = 0;
    tree_.append_column("", *renderer);
    tree_.get_column(0)->add_attribute(renderer->property_text(), columns_.text);
    tree_.get_selection()->set_mode(Gtk::SELECTION_SINGLE);
    tree_.get_selection()->signal_changed().connect([this] {
      if (echoing_) return;
      Guarded([this] { list_.FeedListIndex(SelectedIndex()); });
    });
    tree_.signal_button_press_event().connect(
        [this](GdkEventButton* event) {
          if (event->type != GDK_2BUTTON_PRESS || event->button != 1) return false;
          Gtk::TreeModel::Path path;
          Gtk::TreeViewColumn* column = nullptr;
          int cell_x = 0, cell_y = 0;
          // A double click below the last line opens nothing.
          if (!tree_.get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path,
                                     column, cell_x, cell_y)) {
            return false;
          }
          Guarded([this] {
            if (list_.DblClick) list_.DblClick();
          });
          return true;
        },
        false);
    Changed(Prop::List);
  }
  void Changed(Prop prop) override {
    if (prop == Prop::List) {
      echoing_ = true;
      Sync();
      echoing_ = false;
    } else {
      FixedPeer::Changed(prop);
    }
  }

 private:
  int SelectedIndex() {
    auto it = tree_.get_selection()->get_selected();
    if (!it) return -1;
    return store_->get_path(it)[0];
  }
  void Sync() {
    const int count = list_.ListCount();
    int i = 0;
    auto rows = store_->children();
    for (auto it = rows.begin(); it != rows.end();) {
      if (i >= count) {
        it = store_->erase(it);
        continue;
      }
      const Glib::ustring text = list_.List(i);
      if ((*it)[columns_.text] != text) (*it)[columns_.text] = text;
      ++it;
      ++i;
    }
    for (; i < count; ++i) (*store_->append())[columns_.text] = list_.List(i);
    if (list_.ListIndex() < 0) {
      tree_.get_selection()->unselect_all();
    } else if (SelectedIndex() != list_.ListIndex()) {
      Gtk::TreeModel::Path path;
      path.push_back(list_.ListIndex());
      tree_.set_cursor(path);
    }
  }

  ListBox& list_;
  Gtk::TreeView& tree_;
  ListColumns columns_;
  Glib::RefPtr<Gtk::ListStore> store_;
  bool echoing_ = false;
};

class DialogFormPeer final : public ControlPeer {
 public:
  explicit DialogFormPeer(Gtk::Dialog& dialog, Form& form) : dialog_(dialog), form_(form) {}
  void Changed(Prop prop) override {
    if (prop == Prop::Caption) dialog_.set_title(form_.Caption());
    // Hiding ends the modal run; showing is the run's own business.
    if (prop == Prop::Visible && !form_.Visible()) dialog_.hide();
  }

 private:
  Gtk::Dialog& dialog_;
  Form& form_;
};

bool IsFocusable(DialogControlKind kind) {
  return kind != DialogControlKind::Frame && kind != DialogControlKind::Panel &&
         kind != DialogControlKind::Label;
}

}  // namespace

class GtkFavouritesToolkit::Widgets {
 public:
  Widgets(Gtk::Window& parent, FormIni& form) {
    Form& window = form.Window();
    dialog_.set_name("tabulon-favourites");
    dialog_.set_title(window.Caption());
    dialog_.set_transient_for(parent);
    dialog_.set_modal(true);
    dialog_.set_resizable(false);
    dialog_.set_position(Gtk::WIN_POS_CENTER);
    dialog_.set_border_width(0);
    auto css = Gtk::CssProvider::create();
    css->load_from_data(
        "#tabulon-favourites * { font-size: 9pt; }"
        "#tabulon-favourites entry, #tabulon-favourites button { min-height: 0;"
        " padding-top: 0; padding-bottom: 0; }"
        "#tabulon-favourites button { padding-left: 2px; padding-right: 2px; }"
        "#tabulon-favourites radio { min-height: 0; min-width: 0; }");
    static bool styled = false;
    if (!styled) {
      Gtk::StyleContext::add_provider_for_screen(dialog_.get_screen(), css,
                                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
      styled = true;
    }

    Gtk::Box* content = dialog_.get_content_area();
    content->set_spacing(0);
    // No buttons in the dialog's own button row: it would only take room.
    for (Gtk::Widget* child : content->get_children()) {
      child->hide();
      child->set_no_show_all(true);
    }
    root_.set_size_request(TwipsToPixels(window.ScaleWidth()), TwipsToPixels(window.ScaleHeight()));
    content->pack_start(root_, true, true, 0);
    root_.show();

    std::vector<std::pair<int, Gtk::Widget*>> tab_order;
    for (DialogControl* control : form.Controls()) {
      Gtk::Widget* outer = Build(*control);
      if (!outer) continue;
      outer->set_name(control->Name());
      outer->show_all();
      by_name_[control->Name()] = outer;
      if (IsFocusable(control->Kind())) tab_order.emplace_back(control->TabIndex(), outer);
    }
    std::sort(tab_order.begin(), tab_order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Gtk::Widget*> chain;
    for (const auto& entry : tab_order) chain.push_back(entry.second);
    root_.set_focus_chain(chain);
    // Re-apply what show_all overrode.
    for (DialogControl* control : form.Controls()) {
      if (ControlPeer* peer = control->Peer()) peer->Changed(Prop::Visible);
    }

    window.AttachPeer(std::make_unique<DialogFormPeer>(dialog_, window));
    // Ahead of the modal run's own handler, which would only end the run.
    dialog_.signal_delete_event().connect(
        [&form](GdkEventAny*) {
          Guarded([&form] { form.CloseRequested(); });
          return true;
        },
        false);
    // Esc has no meaning in this dialog: it must not close it.
    g_signal_connect(dialog_.gobj(), "close", G_CALLBACK(+[](GtkDialog* d, gpointer) {
                       g_signal_stop_emission_by_name(d, "close");
                     }),
                     nullptr);
  }

  Gtk::Dialog dialog_;
  Gtk::Fixed root_;
  Gtk::RadioButton none_;
  std::map<std::string, Gtk::Widget*> by_name_;

 private:
  Gtk::Widget* Build(DialogControl& control) {
    switch (control.Kind()) {
      case DialogControlKind::Panel: return nullptr;
      case DialogControlKind::Frame: {
        auto* frame = Gtk::manage(new Gtk::Frame());
        control.AttachPeer(std::make_unique<FramePeer>(control, *frame, root_));
        return frame;
      }
      case DialogControlKind::Label: {
        auto* label = Gtk::manage(new Gtk::Label());
        control.AttachPeer(std::make_unique<FixedLabelPeer>(control, *label, root_));
        return label;
      }
      case DialogControlKind::Button: {
        auto* button = Gtk::manage(new Gtk::Button());
        auto& model = static_cast<CommandButton&>(control);
        control.AttachPeer(std::make_unique<FixedButtonPeer>(model, *button, root_));
        return button;
      }
      case DialogControlKind::Option: {
        auto* radio = Gtk::manage(new Gtk::RadioButton());
        auto group = none_.get_group();
        radio->set_group(group);
        auto& model = static_cast<OptionButton&>(control);
        control.AttachPeer(std::make_unique<OptionPeer>(model, *radio, none_, root_));
        return radio;
      }
      case DialogControlKind::TextBox: {
        auto* entry = Gtk::manage(new Gtk::Entry());
        auto& model = static_cast<TextBox&>(control);
        control.AttachPeer(std::make_unique<TextPeer>(model, *entry, root_));
        return entry;
      }
      case DialogControlKind::ListBox: {
        auto* scroller = Gtk::manage(new Gtk::ScrolledWindow());
        auto* tree = Gtk::manage(new Gtk::TreeView());
        scroller->set_shadow_type(Gtk::SHADOW_IN);
        scroller->set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
        scroller->add(*tree);
        auto& model = static_cast<ListBox&>(control);
        control.AttachPeer(std::make_unique<ListPeer>(model, *scroller, *tree, root_));
        return scroller;
      }
    }
    return nullptr;
  }
};

GtkFavouritesToolkit::GtkFavouritesToolkit(Gtk::Window& parent) : parent_(parent) {}

GtkFavouritesToolkit::~GtkFavouritesToolkit() = default;

void GtkFavouritesToolkit::BuildDialog(FormIni& form) {
  widgets_ = std::make_unique<Widgets>(parent_, form);
}

void GtkFavouritesToolkit::RunModal(FormIni&) {
  if (!widgets_) return;
  widgets_->dialog_.run();
  widgets_->dialog_.hide();
}

void GtkFavouritesToolkit::DestroyDialog() { widgets_.reset(); }

Gtk::Dialog* GtkFavouritesToolkit::Dialog() { return widgets_ ? &widgets_->dialog_ : nullptr; }

Gtk::Widget* GtkFavouritesToolkit::Widget(const std::string& control_name) {
  if (!widgets_) return nullptr;
  auto it = widgets_->by_name_.find(control_name);
  return it == widgets_->by_name_.end() ? nullptr : it->second;
}

}  // namespace tabulon::gtk
