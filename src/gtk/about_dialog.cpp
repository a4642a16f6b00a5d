#include "gtk/about_dialog.h"

#include <cstdio>
#include <functional>
#include <vector>

#include "gtk/gtk_services.h"
#include "gtk/guard.h"
#include "gtk/icons.h"
#include "gtk/placed_peer.h"
#include "gtk/units.h"

namespace tabulon::gtk {

namespace {

// Widgets on the box's surface are placed like those of the main window.
class AboutLabelPeer final : public PlacedPeer {
 public:
  AboutLabelPeer(AboutLabel& model, Gtk::EventBox& box, Gtk::Label& text, Gtk::Layout& surface)
      : PlacedPeer(model, box, surface), label_model_(model), text_(text) {
    text_.get_style_context()->add_provider(css_, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    Changed(Prop::Caption);
    Changed(Prop::ForeColor);
    Place();
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Caption) {
      text_.set_text(model_.Caption());
    } else if (prop == Prop::ForeColor || prop == Prop::Bold) {
      css_->load_from_data("label { color: " + CssColour(model_.ForeColor()) + "; font-weight: " +
                           (model_.FontBold() ? "bold" : "normal") + "; font-size: 9pt; }");
    } else {
      PlacedPeer::Changed(prop);
    }
  }
  MousePointer Pointer() const { return label_model_.Pointer(); }

 private:
  AboutLabel& label_model_;
  Gtk::Label& text_;
  Glib::RefPtr<Gtk::CssProvider> css_ = Gtk::CssProvider::create();
};

class SurfaceButtonPeer final : public PlacedPeer {
 public:
  SurfaceButtonPeer(Control& model, Gtk::Button& button, Gtk::Layout& surface)
      : PlacedPeer(model, button, surface), button_(button) {
    Changed(Prop::Caption);
    Place();
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Caption) {
      button_.set_label(model_.Caption());
    } else {
      PlacedPeer::Changed(prop);
    }
  }

 private:
  Gtk::Button& button_;
};

// A rule of the given colour and thickness; clicks go through it to the
// surface.
class RuleArea final : public Gtk::DrawingArea {
 public:
  explicit RuleArea(const RuleLine& line) : colour_(line.colour) {}

 protected:
  bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override {
    cr->set_source_rgb((colour_ & 0xFF) / 255.0, ((colour_ >> 8) & 0xFF) / 255.0,
                       ((colour_ >> 16) & 0xFF) / 255.0);
    cr->paint();
    return true;
  }

 private:
  Colour colour_;
};

// The character a key press types as the box's key handler sees it: Enter
// 13, Esc 27; 0 for keys that type nothing.
int CharacterCode(const GdkEventKey* event) {
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: return 13;
    case GDK_KEY_Escape: return 27;
    case GDK_KEY_BackSpace: return 8;
    default: break;
  }
  if (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return 0;
  return static_cast<int>(gdk_keyval_to_unicode(event->keyval));
}

}  // namespace

// The widgets of one showing of the box.
class AboutDialogToolkit::Box {
 public:
  Box(AboutControls c, AboutInput& input, Gtk::Window* parent) : input_(input) {
    window_.set_title(c.form.Caption());
    window_.set_resizable(false);
    window_.set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    window_.set_skip_taskbar_hint(true);
    window_.set_modal(true);
    if (parent) {
      window_.set_transient_for(*parent);
      window_.set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
    } else {
      window_.set_position(Gtk::WIN_POS_CENTER);
    }
    window_.signal_realize().connect([this] {
      // A fixed dialog frame: title and close box, nothing to minimise or
      // maximise.
      auto gdk_window = window_.get_window();
      gdk_window->set_functions(Gdk::FUNC_MOVE | Gdk::FUNC_CLOSE);
      gdk_window->set_decorations(Gdk::DECOR_BORDER | Gdk::DECOR_TITLE | Gdk::DECOR_MENU);
    });
    surface_->set_size_request(TwipsToPixels(c.form.ScaleWidth()),
                               TwipsToPixels(c.form.ScaleHeight()));
    surface_->add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
    surface_->signal_button_release_event().connect([this](GdkEventButton* e) {
      if (e->button == 1) Guarded([this] { input_.Form_Click(); });
      return true;
    });
    window_.add(*surface_);

    for (const RuleLine* line : c.lines) AddLine(*line);
    AddPicture(c.picIcon);
    for (AboutLabel* label : c.labels) AddLabel(*label);
    AddButton(c.cmdOK);

    window_.signal_key_press_event().connect(
        [this](GdkEventKey* e) {
          int code = CharacterCode(e);
          bool consumed = false;
          if (code != 0) Guarded([&] { consumed = input_.KeyPreview(code); });
          return consumed;
        },
        false);
    window_.signal_delete_event().connect([this](GdkEventAny*) {
      Guarded([this] { input_.CloseRequested(); });
      return true;
    });
    surface_->show_all();
  }

  Gtk::Window& Window() { return window_; }
  Gtk::Button& Ok() { return *ok_; }
  std::vector<std::string> ShownTexts() {
    std::vector<std::string> shown;
    for (Gtk::Label* text : texts_) shown.push_back(text->get_text());
    return shown;
  }

 private:
  void AddLine(const RuleLine& line) {
    auto* area = Gtk::manage(new RuleArea(line));
    int x1 = TwipsToPixels(line.x1), x2 = TwipsToPixels(line.x2);
    area->set_size_request(x2 - x1 + 1, line.width);
    surface_->put(*area, x1, TwipsToPixels(line.y1));
  }

  void AddPicture(Control& model) {
    auto* box = Gtk::manage(new Gtk::EventBox());
    auto* image = Gtk::manage(new Gtk::Image());
    if (auto icon = ProgramIcon(32)) image->set(icon);
    image->set_halign(Gtk::ALIGN_START);
    image->set_valign(Gtk::ALIGN_START);
    box->add(*image);
    TakeClicks(*box, model);
    auto peer = std::make_unique<PlacedPeer>(model, *box, *surface_);
    peer->Place();
    model.AttachPeer(std::move(peer));
  }

  void AddLabel(AboutLabel& model) {
    auto* box = Gtk::manage(new Gtk::EventBox());
    auto* text = Gtk::manage(new Gtk::Label());
    text->set_xalign(0.0f);
    text->set_yalign(0.0f);
    text->set_use_underline(false);
    box->add(*text);
    texts_.push_back(text);
    TakeClicks(*box, model);
    if (model.Pointer() == MousePointer::Hand) {
      box->signal_realize().connect([box] {
        box->get_window()->set_cursor(Gdk::Cursor::create(box->get_display(), "pointer"));
      });
    }
    model.AttachPeer(std::make_unique<AboutLabelPeer>(model, *box, *text, *surface_));
  }

  void AddButton(Control& model) {
    auto css = Gtk::CssProvider::create();
    css->load_from_data("button { min-height: 0; padding: 0 4px; font-size: 9pt; }");
    ok_->get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    ok_->signal_clicked().connect([this] { Guarded([this] { input_.cmdOK_Click(); }); });
    model.AttachPeer(std::make_unique<SurfaceButtonPeer>(model, *ok_, *surface_));
    ok_->set_can_default(true);
    window_.set_default(*ok_);
    window_.set_focus(*ok_);
  }

  // A click on a control is the control's, never the surface's. Like a
  // click anywhere, it counts only when the button comes up over the control.
  void TakeClicks(Gtk::EventBox& box, const Control& model) {
    box.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
    box.signal_button_press_event().connect([](GdkEventButton*) { return true; });
    box.signal_button_release_event().connect([this, &box, &model](GdkEventButton* e) {
      const Gtk::Allocation area = box.get_allocation();
      const bool over =
          e->x >= 0 && e->y >= 0 && e->x < area.get_width() && e->y < area.get_height();
      if (e->button == 1 && over) Guarded([&] { input_.ControlClick(model); });
      return true;
    });
  }

  AboutInput& input_;
  Gtk::Window window_;
  // Managed by the window: destroying it takes the whole tree down at once.
  Gtk::Layout* surface_ = Gtk::manage(new Gtk::Layout());
  Gtk::Button* ok_ = Gtk::manage(new Gtk::Button());
  std::vector<Gtk::Label*> texts_;
};

AboutDialogToolkit::AboutDialogToolkit(Gtk::Window* parent) : parent_(parent) {}

AboutDialogToolkit::~AboutDialogToolkit() = default;

void AboutDialogToolkit::BuildAbout(AboutControls controls, AboutInput& input) {
  box_ = std::make_unique<Box>(controls, input, parent_);
}

void AboutDialogToolkit::RunModal() {
  if (!box_) return;
  // A modal window holds the input grab while it is shown: the main window
  // takes no clicks or keys until the box is hidden again.
  loop_ = Glib::MainLoop::create();
  box_->Window().show();
  box_->Window().present();
  loop_->run();
  loop_.reset();
}

void AboutDialogToolkit::EndModal() {
  if (box_) box_->Window().hide();
  if (loop_) loop_->quit();
}

void AboutDialogToolkit::ShowMessage(const std::string& text, const std::string& caption) {
  GtkMessageBoxes(box_ ? &box_->Window() : parent_).Show(text, caption);
}

void AboutDialogToolkit::Discard() { box_.reset(); }

Gtk::Window* AboutDialogToolkit::Window() { return box_ ? &box_->Window() : nullptr; }

Gtk::Button* AboutDialogToolkit::OkButton() { return box_ ? &box_->Ok() : nullptr; }

std::vector<std::string> AboutDialogToolkit::ShownTexts() {
  return box_ ? box_->ShownTexts() : std::vector<std::string>{};
}

}  // namespace tabulon::gtk
