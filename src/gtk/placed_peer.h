#pragma once
#include <gtkmm.h>

#include <cstdio>
#include <string>

#include "gtk/units.h"
#include "platform/controls.h"

namespace tabulon::gtk {

// A platform colour (0x00BBGGRR) as CSS writes it.
inline std::string CssColour(Colour bgr) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF,
                (bgr >> 16) & 0xFF);
  return buf;
}

// A widget that sits in a container where its control's model says:
// position, size, visibility and tool tip follow the model. The widget
// belongs to whoever built it; the peer only points at it. Every window's
// controls are placed this way: the main window's and the about box's in a
// Gtk::Layout, the favourites dialog's in a Gtk::Fixed, which sizes itself
// to them.
template <typename Container>
class BasicPlacedPeer : public ControlPeer {
 public:
  BasicPlacedPeer(Control& model, Gtk::Widget& widget, Container& parent)
      : model_(model), widget_(widget), parent_(parent) {}
  void Changed(Prop prop) override {
    switch (prop) {
      case Prop::Left:
      case Prop::Top: {
        int x = 0, y = 0;
        Position(x, y);
        parent_.move(widget_, x, y);
        break;
      }
      case Prop::Width:
      case Prop::Height:
        widget_.set_size_request(TwipsToPixels(model_.Width()), TwipsToPixels(model_.Height()));
        break;
      case Prop::Visible: widget_.set_visible(model_.Visible()); break;
      case Prop::ToolTip: widget_.set_tooltip_text(model_.ToolTipText()); break;
      default: break;
    }
  }
  // Puts the widget in its container as the model has it; called once, by
  // the constructor of the peer that is built.
  void Place() {
    int x = 0, y = 0;
    Position(x, y);
    parent_.put(widget_, x, y);
    Changed(Prop::Width);
    if (!model_.ToolTipText().empty()) Changed(Prop::ToolTip);
    Changed(Prop::Visible);
  }

 protected:
  // Where the widget sits in the container, in pixels: by default the
  // model's own position.
  virtual void Position(int& x, int& y) const {
    x = TwipsToPixels(model_.Left());
    y = TwipsToPixels(model_.Top());
  }

  Control& model_;
  Gtk::Widget& widget_;
  Container& parent_;
};

using PlacedPeer = BasicPlacedPeer<Gtk::Layout>;

}  // namespace tabulon::gtk
