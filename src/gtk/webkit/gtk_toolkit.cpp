#include "gtk/webkit/gtk_toolkit.h"

#include <cstdio>

#include "base/errors.h"
#include "gtk/guard.h"
#include "gtk/key_translation.h"
#include "gtk/placed_peer.h"
#include "gtk/suggestion_list.h"
#include "gtk/units.h"
#include "gtk/webkit/webkit_browser.h"

namespace tabulon::gtk {

namespace {

// "タブ(&T)" as GTK writes a mnemonic: "タブ(_T)"; a literal underscore doubled.
std::string Mnemonic(const std::string& caption) {
  std::string out;
  for (char c : caption) {
    if (c == '_') {
      out += "__";
    } else if (c == '&') {
      out += '_';
    } else {
      out += c;
    }
  }
  return out;
}

// A label: caption, tool tip, colours and bold on a coloured box; clicks on
// a tab label go to the window's handlers.
class LabelPeer final : public PlacedPeer {
 public:
  LabelPeer(Control& model, Gtk::Layout& parent) : PlacedPeer(model, box_, parent) {
    label_.set_ellipsize(Pango::ELLIPSIZE_END);
    label_.set_xalign(0.0f);
    // From the top: the strip cuts off the bottom of its labels.
    label_.set_yalign(0.0f);
    label_.set_use_underline(false);
    label_.show();
    box_.add(label_);
    box_.get_style_context()->add_provider(css_, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    label_.get_style_context()->add_provider(css_, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    Restyle();
    label_.set_text(model.Caption());
    Place();
  }
  ~LabelPeer() override { parent_.remove(box_); }
  void Changed(Prop prop) override {
    switch (prop) {
      case Prop::Caption: label_.set_text(model_.Caption()); break;
      case Prop::ToolTip: box_.set_tooltip_text(model_.ToolTipText()); break;
      case Prop::BackColor:
      case Prop::ForeColor:
      case Prop::Bold: Restyle(); break;
      case Prop::Left:
      case Prop::Width:
      case Prop::Visible:
        PlacedPeer::Changed(prop);
        // GTK draws a label at least as wide as its padding and an ellipsis,
        // wider than a label placed just left of the strip, which would then
        // show a sliver of it: one wholly out of sight is not drawn at all.
        box_.set_visible(model_.Visible() &&
                         TwipsToPixels(model_.Left()) + TwipsToPixels(model_.Width()) > 0);
        break;
      default: PlacedPeer::Changed(prop);
    }
  }
  Gtk::EventBox& Box() { return box_; }
  Gtk::Label& Text() { return label_; }

 private:
  void Restyle() {
    css_->load_from_data("* { background-color: " + CssColour(model_.BackColor()) +
                         "; color: " + CssColour(model_.ForeColor()) +
                         "; font-weight: " + (model_.FontBold() ? "bold" : "normal") +
                         "; font-size: 8pt; padding: 0 2px; min-height: 0; }");
  }
  Gtk::EventBox box_;
  Gtk::Label label_;
  Glib::RefPtr<Gtk::CssProvider> css_ = Gtk::CssProvider::create();
};

// A bar of the window (tab strip, URL bar): a layout of its own.
class BarPeer final : public PlacedPeer {
 public:
  BarPeer(Control& model, Gtk::Layout& bar, Gtk::Layout& parent) : PlacedPeer(model, bar, parent) {
    Place();
  }
};

class ComboPeer final : public PlacedPeer {
 public:
  ComboPeer(ComboBox& model, Gtk::Layout& parent, MainWindowInput& input)
      : PlacedPeer(model, combo_, parent), combo_model_(model), input_(input) {
    entry_ = combo_.get_entry();
    // Addresses are typed in Latin letters: no input method here.
    entry_->set_input_purpose(Gtk::INPUT_PURPOSE_URL);
    entry_->set_input_hints(Gtk::INPUT_HINT_NO_EMOJI);
    g_object_set(entry_->gobj(), "im-module", "gtk-im-context-none", nullptr);
    entry_->signal_changed().connect([this] {
      if (echoing_) return;
      combo_model_.FeedText(entry_->get_text());
      // An address picked from the box's own list is not being typed.
      if (combo_.get_active_row_number() >= 0) return;
      Guarded([&] { input_.cmbURL_Change(); });
    });
    entry_->signal_key_press_event().connect(
        [this](GdkEventKey* event) {
          VirtualKey vk = TranslateKey(event);
          bool taken = false;
          Guarded([&] { taken = input_.cmbURL_SuggestionKey(vk.key, vk.mask); });
          if (taken) return true;
          Guarded([&] { input_.cmbURL_KeyDown(vk.key, vk.mask); });
          return false;  // the key is not consumed
        },
        false);
    entry_->signal_focus_out_event().connect([this](GdkEventFocus*) {
      Guarded([&] { input_.cmbURL_LostFocus(); });
      return false;
    });
    combo_.show();
    Place();
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Text) {
      echoing_ = true;
      entry_->set_text(combo_model_.Text());
      echoing_ = false;
    } else if (prop == Prop::List) {
      combo_.append(combo_model_.List().back());
    } else {
      PlacedPeer::Changed(prop);
    }
  }
  bool TakeFocus() override {
    if (!entry_->get_is_drawable()) return false;
    entry_->grab_focus();
    return true;
  }
  Gtk::ComboBox& Widget() { return combo_; }
  Gtk::Entry& Entry() { return *entry_; }

 private:
  Gtk::ComboBoxText combo_{true};
  Gtk::Entry* entry_ = nullptr;
  ComboBox& combo_model_;
  MainWindowInput& input_;
  bool echoing_ = false;
};

class StatusPeer final : public PlacedPeer {
 public:
  StatusPeer(StatusBar& model, Gtk::Layout& parent)
      : PlacedPeer(model, box_, parent), status_(model) {
    panel1_.set_xalign(0.0f);
    panel1_.set_ellipsize(Pango::ELLIPSIZE_END);
    panel2_.set_xalign(1.0f);
    panel2_.set_size_request(56, -1);
    panel2_.set_name("tabulon-progress");
    box_.pack_start(panel1_, true, true, 0);
    box_.pack_start(panel2_, false, false, 0);
    box_.set_name("tabulon-status");
    box_.show_all();
    Changed(Prop::Panel);
    Place();
  }
  void Changed(Prop prop) override {
    if (prop == Prop::Panel) {
      panel1_.set_text(status_.PanelText(1));
      panel2_.set_text(status_.PanelText(2));
    } else {
      PlacedPeer::Changed(prop);
    }
  }

 private:
  StatusBar& status_;
  Gtk::Box box_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::Label panel1_, panel2_;
};

}  // namespace

// The window itself: caption, outer geometry and state.
class GtkToolkit::FormPeer final : public ControlPeer {
 public:
  FormPeer(Form& form, Gtk::Window& window) : form_(form), window_(window) {}
  void Changed(Prop prop) override {
    switch (prop) {
      case Prop::Caption: window_.set_title(form_.Caption()); break;
      case Prop::Left:
      case Prop::Top: window_.move(TwipsToPixels(form_.Left()), TwipsToPixels(form_.Top())); break;
      case Prop::Width:
      case Prop::Height: ResizeOuter(); break;
      case Prop::WindowState:
        if (form_.GetWindowState() == kMaximized) {
          window_.deiconify();
          window_.maximize();
        } else if (form_.GetWindowState() == kMinimized) {
          window_.iconify();
        } else {
          window_.deiconify();
          window_.unmaximize();
        }
        break;
      default: break;
    }
  }
  // The model's sizes are the outer frame's; GTK sizes the inside. Until a
  // window manager has framed the window the frame counts as nothing; once
  // its size is known, the size the program asked for is applied again.
  void ResizeOuter() {
    requested_w_ = TwipsToPixels(form_.Width());
    requested_h_ = TwipsToPixels(form_.Height());
    reapply_when_framed_ = !frame_known_;
    ApplyRequestedSize();
  }
  void OnConfigure() {
    auto gdk_window = window_.get_window();
    if (!gdk_window || !window_.get_mapped()) return;
    Gdk::Rectangle frame;
    gdk_window->get_frame_extents(frame);
    int extra_w = frame.get_width() - gdk_window->get_width();
    int extra_h = frame.get_height() - gdk_window->get_height();
    // A frame is borders and a title bar; anything else is a window manager
    // caught halfway through framing the window.
    bool plausible = extra_w >= 0 && extra_w < 100 && extra_h >= 0 && extra_h < 150;
    if (!plausible || (extra_w == 0 && extra_h == 0)) return;
    if (frame_known_ && extra_w == extra_w_ && extra_h == extra_h_) return;
    extra_w_ = extra_w;
    extra_h_ = extra_h;
    frame_known_ = true;
    if (reapply_when_framed_) {
      reapply_when_framed_ = false;
      ApplyRequestedSize();
    }
  }

 private:
  void ApplyRequestedSize() {
    int w = requested_w_ - extra_w_;
    int h = requested_h_ - extra_h_;
    window_.resize(w > 1 ? w : 1, h > 1 ? h : 1);
  }
  Form& form_;
  Gtk::Window& window_;
  int requested_w_ = 0, requested_h_ = 0;
  int extra_w_ = 0, extra_h_ = 0;
  bool frame_known_ = false;
  bool reapply_when_framed_ = false;
};

GtkToolkit::GtkToolkit(WebEngine& engine, std::function<void()> end_program)
    : engine_(engine), end_program_(std::move(end_program)) {}

GtkToolkit::~GtkToolkit() {
  feed_idle_.disconnect();
  // Whoever asked for these is going too.
  for (sigc::connection& task : later_) task.disconnect();
}

void GtkToolkit::BuildMainWindow(MainWindowControls c, MainWindowInput& input) {
  input_ = &input;
  window_.set_default_size(TwipsToPixels(c.form.Width()), TwipsToPixels(c.form.Height()));
  window_.set_title(c.form.Caption());
  window_.add(vbox_);
  vbox_.pack_start(menu_bar_, false, false, 0);
  vbox_.pack_start(client_, true, true, 0);
  client_.set_size_request(1, 1);
  // The bars are as low as the window's design makes them (17 and 21
  // pixels): the URL box and its button lose GTK's generous padding.
  url_bar_.set_name("tabulon-url-bar");
  auto css = Gtk::CssProvider::create();
  css->load_from_data(
      "#tabulon-url-bar entry, #tabulon-url-bar button { min-height: 0; padding-top: 0;"
      " padding-bottom: 0; font-size: 9pt; }"
      "#tabulon-url-bar button { padding-left: 2px; padding-right: 2px; }"
      "#tabulon-status { border-top: 1px solid #a0a0a0; background-color: #ededed; }"
      "#tabulon-status label { font-size: 9pt; padding: 0 4px; min-height: 0; }"
      "#tabulon-progress { border-left: 1px solid #a0a0a0; }");
  Gtk::StyleContext::add_provider_for_screen(window_.get_screen(), css,
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  vbox_.show();
  menu_bar_.show();
  client_.show();
  tab_strip_.show();
  url_bar_.show();

  auto form_peer = std::make_unique<FormPeer>(c.form, window_);
  FormPeer* form = form_peer.get();
  c.form.AttachPeer(std::move(form_peer));
  c.picTab.AttachPeer(std::make_unique<BarPeer>(c.picTab, tab_strip_, client_));
  c.picURL.AttachPeer(std::make_unique<BarPeer>(c.picURL, url_bar_, client_));
  auto url_label = std::make_unique<LabelPeer>(c.lblURL, url_bar_);
  url_label->Text().set_use_underline(true);
  // The caption's box is narrow; show as much of it as fits, not an ellipsis.
  url_label->Text().set_ellipsize(Pango::ELLIPSIZE_NONE);
  url_label->Text().set_text_with_mnemonic(Mnemonic(c.lblURL.Caption()));
  c.lblURL.AttachPeer(std::move(url_label));
  auto combo = std::make_unique<ComboPeer>(c.cmbURL, url_bar_, input);
  c.lstSuggest.AttachPeer(
      std::make_unique<SuggestionListPeer>(c.lstSuggest, combo->Entry(), input));
  // Ctrl+wheel over the URL box zooms the page rather than picking an
  // address from the list.
  combo->Widget().signal_scroll_event().connect(
      [this](GdkEventScroll* e) { return (e->state & GDK_CONTROL_MASK) && OnScroll(e); }, false);
  c.cmbURL.AttachPeer(std::move(combo));
  c.StaMsg.AttachPeer(std::make_unique<StatusPeer>(c.StaMsg, client_));

  BuildMenu(menu_bar_, c.menu_bar);
  BuildMenu(popup_, c.pop_menu);

  window_.add_events(Gdk::STRUCTURE_MASK);
  window_.signal_key_press_event().connect([this](GdkEventKey* e) { return OnKeyPress(e); }, false);
  // Ctrl+wheel zooms the page from anywhere in the window; over the page,
  // the page area sees it first. The URL box's list would otherwise take it.
  window_.add_events(Gdk::SCROLL_MASK | Gdk::SMOOTH_SCROLL_MASK);
  window_.signal_scroll_event().connect([this](GdkEventScroll* e) { return OnScroll(e); }, false);
  window_.signal_configure_event().connect(
      [this, form](GdkEventConfigure*) {
        form->OnConfigure();
        FeedWindow();
        return false;
      },
      false);
  window_.signal_window_state_event().connect(
      [this](GdkEventWindowState*) {
        FeedWindow();
        return false;
      },
      true);
  // Laying out moves and sizes the client area's children, which GTK does
  // not take in the middle of allocating it: tell the program afterwards.
  client_.signal_size_allocate().connect(
      [this](Gtk::Allocation&) {
        if (feed_pending_) return;
        feed_pending_ = true;
        feed_idle_ = Glib::signal_idle().connect([this] {
          feed_pending_ = false;
          FeedWindow();
          return false;
        });
      },
      true);
  window_.signal_delete_event().connect([this](GdkEventAny*) {
    Guarded([this] { input_->CloseRequested(); });
    return true;
  });
}

void GtkToolkit::BuildMenu(Gtk::MenuShell& shell, MenuItem& model) {
  for (const auto& item_ptr : model.Items()) {
    MenuItem& item = *item_ptr;
    Gtk::MenuItem* widget = nullptr;
    if (item.IsSeparator()) {
      widget = Gtk::manage(new Gtk::SeparatorMenuItem());
    } else if (item.Checked()) {
      auto* check = Gtk::manage(new Gtk::CheckMenuItem(Mnemonic(item.Caption()), true));
      check->set_active(true);
      widget = check;
    } else {
      widget = Gtk::manage(new Gtk::MenuItem(Mnemonic(item.Caption()), true));
    }
    guint keyval;
    GdkModifierType mods;
    Shortcut s = item.GetShortcut();
    if (s.key && ShortcutToAccelerator(s.key, s.mask, keyval, mods)) {
      if (auto* accel = dynamic_cast<Gtk::AccelLabel*>(widget->get_child())) {
        accel->set_accel(keyval, static_cast<Gdk::ModifierType>(mods));
      }
    }
    if (!item.Items().empty()) {
      auto* submenu = Gtk::manage(new Gtk::Menu());
      BuildMenu(*submenu, item);
      widget->set_submenu(*submenu);
    }
    // The check mark is the program's to set, not the toolkit's. GTK sets it
    // by activating the item, which must not count as a click.
    auto setting_mark = std::make_shared<bool>(false);
    auto follow_model = [&item, widget, setting_mark] {
      auto* check = dynamic_cast<Gtk::CheckMenuItem*>(widget);
      if (!check || check->get_active() == item.Checked()) return;
      *setting_mark = true;
      check->set_active(item.Checked());
      *setting_mark = false;
    };
    if (item.Items().empty() && !item.IsSeparator()) {
      widget->signal_activate().connect([&item, setting_mark, follow_model] {
        if (*setting_mark) return;
        Guarded([&item] {
          if (item.Click) item.Click();
        });
        follow_model();
      });
    }
    item.OnChange = [&item, widget, follow_model](Prop prop) {
      if (prop == Prop::Visible) widget->set_visible(item.Visible());
      if (prop == Prop::Enabled) widget->set_sensitive(item.Enabled());
      if (prop == Prop::Checked) follow_model();
    };
    widget->set_visible(item.Visible());
    shell.append(*widget);
  }
}

bool GtkToolkit::OnKeyPress(GdkEventKey* event) {
  VirtualKey vk = TranslateKey(event);
  bool consumed = false;
  if (vk.key != 0) Guarded([&] { consumed = input_->KeyPreview(vk.key, vk.mask); });
  if (consumed) return true;
  // Find, print and zoom work from the URL box or the tab strip too; a page
  // with the focus sees them on its own way there.
  PageArea* page = ShownPageArea();
  if (!page || gtk_widget_has_focus(GTK_WIDGET(painted_tabs_.Shown()->View()))) return false;
  Guarded([&] { consumed = page->HandleKey(event); });
  return consumed;
}

bool GtkToolkit::OnScroll(GdkEventScroll* event) {
  PageArea* page = ShownPageArea();
  bool consumed = false;
  if (page) Guarded([&] { consumed = page->HandleScroll(event); });
  return consumed;
}

PageArea* GtkToolkit::ShownPageArea() const {
  WebKitBrowser* shown = painted_tabs_.Shown();
  return shown ? PageArea::Of(shown->View()) : nullptr;
}

std::unique_ptr<ControlPeer> GtkToolkit::CreateTabLabel(int index, Control& label) {
  auto peer = std::make_unique<LabelPeer>(label, tab_strip_);
  peer->Box().add_events(Gdk::BUTTON_PRESS_MASK);
  peer->Box().signal_button_press_event().connect([this, index](GdkEventButton* e) {
    if (e->type != GDK_BUTTON_PRESS) return true;
    int button = e->button == 1 ? 1 : e->button == 3 ? 2 : e->button == 2 ? 4 : 0;
    int shift = ((e->state & GDK_SHIFT_MASK) ? 1 : 0) | ((e->state & GDK_CONTROL_MASK) ? 2 : 0) |
                ((e->state & GDK_MOD1_MASK) ? 4 : 0);
    Guarded([&] {
      input_->lblTab_MouseDown(index, button, shift, PixelsToTwips(static_cast<int>(e->x)),
                               PixelsToTwips(static_cast<int>(e->y)));
    });
    if (button == 1) Guarded([&] { input_->lblTab_Click(index); });
    return true;
  });
  return peer;
}

std::unique_ptr<BrowserControl> GtkToolkit::CreateBrowser(int index, BrowserEvents& events) {
  auto browser = std::make_unique<WebKitBrowser>(engine_.Pool(), index == 0, client_.gobj(), events,
                                                 index, &painted_tabs_);
  browser->SetPreferences(&preferences_);
  return browser;
}

void GtkToolkit::ShowPopupMenu(MenuItem&) {
  GdkEvent* event = gtk_get_current_event();
  popup_.popup_at_pointer(event);
  if (event) gdk_event_free(event);
}

void GtkToolkit::ShowMainWindow() { window_.show(); }

void GtkToolkit::PresentMainWindow(const std::string& startup_id) {
  if (window_.get_window()) window_.get_window()->deiconify();
  // The launcher's id carries the time of the user's click, which lets the
  // window manager raise the window; without one it may only mark it.
  if (!startup_id.empty()) {
    gtk_window_set_startup_id(window_.gobj(), startup_id.c_str());
  } else {
    window_.present();
  }
}

ScreenArea GtkToolkit::WorkArea() {
  auto display = Gdk::Display::get_default();
  if (!display) return {};
  auto monitor = display->get_primary_monitor();
  if (!monitor && display->get_n_monitors() > 0) monitor = display->get_monitor(0);
  if (!monitor) return {};
  Gdk::Rectangle area;
  monitor->get_workarea(area);
  return {PixelsToTwips(area.get_x()), PixelsToTwips(area.get_y()), PixelsToTwips(area.get_width()),
          PixelsToTwips(area.get_height())};
}

void GtkToolkit::EndProgram() { end_program_(); }

void GtkToolkit::ClientToScreen(int x_twips, int y_twips, int& x, int& y) {
  x = y = 0;
  if (auto window = client_.get_window()) window->get_origin(x, y);
  x += TwipsToPixels(x_twips);
  y += TwipsToPixels(y_twips);
}

void GtkToolkit::RunLater(int delay_ms, std::function<void()> task) {
  std::erase_if(later_, [](const sigc::connection& c) { return !c.connected(); });
  later_.push_back(Glib::signal_timeout().connect(
      [task = std::move(task)] {
        Guarded(task);
        return false;
      },
      static_cast<unsigned>(delay_ms > 0 ? delay_ms : 0)));
}

int GtkToolkit::AskInBar(const std::string& question, const std::string& yes, const std::string& no,
                         std::function<void(bool yes)> answered) {
  std::erase_if(bars_, [](const auto& entry) { return !entry.second->Asking(); });
  auto bar = std::make_unique<QuestionBar>(nullptr, question, yes, no, std::move(answered));
  GtkWidget* widget = bar->Widget();
  gtk_box_pack_start(GTK_BOX(vbox_.gobj()), widget, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(vbox_.gobj()), widget, 1);  // below the menu bar
  bar->PageShown(true);
  bar->Ask();
  bars_[++last_bar_] = std::move(bar);
  return last_bar_;
}

void GtkToolkit::CloseBar(int bar) {
  const auto found = bars_.find(bar);
  if (found != bars_.end()) found->second->Withdraw();
}

void GtkToolkit::FeedWindow() {
  if (!input_) return;
  auto gdk_window = window_.get_window();
  if (!gdk_window) return;
  Gdk::Rectangle frame;
  gdk_window->get_frame_extents(frame);
  Gdk::WindowState s = gdk_window->get_state();
  int state = (s & Gdk::WINDOW_STATE_ICONIFIED)                                    ? kMinimized
              : (s & (Gdk::WINDOW_STATE_MAXIMIZED | Gdk::WINDOW_STATE_FULLSCREEN)) ? kMaximized
                                                                                   : kNormal;
  Gtk::Allocation client = client_.get_allocation();
  Guarded([&] {
    input_->WindowChanged(PixelsToTwips(frame.get_x()), PixelsToTwips(frame.get_y()),
                          PixelsToTwips(frame.get_width()), PixelsToTwips(frame.get_height()),
                          PixelsToTwips(client.get_width()), PixelsToTwips(client.get_height()),
                          state);
  });
}

}  // namespace tabulon::gtk
