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

// A widget that sits in a layout where its control's model says: position,
// size, visibility and tool tip follow the model. The widget belongs to
// whoever built it; the peer only points at it.
class PlacedPeer : public ControlPeer {
 public:
  PlacedPeer(Control& model, Gtk::Widget& widget, Gtk::Layout& parent)
      : model_(model), widget_(widget), parent_(parent) {}
  void Changed(Prop prop) override {
    switch (prop) {
      case Prop::Left:
      case Prop::Top:
        parent_.move(widget_, TwipsToPixels(model_.Left()), TwipsToPixels(model_.Top()));
        break;
      case Prop::Width:
      case Prop::Height:
        widget_.set_size_request(TwipsToPixels(model_.Width()), TwipsToPixels(model_.Height()));
        break;
      case Prop::Visible: widget_.set_visible(model_.Visible()); break;
      case Prop::ToolTip: widget_.set_tooltip_text(model_.ToolTipText()); break;
      default: break;
    }
  }
  void Place() {
    parent_.put(widget_, TwipsToPixels(model_.Left()), TwipsToPixels(model_.Top()));
    Changed(Prop::Width);
    if (!model_.ToolTipText().empty()) Changed(Prop::ToolTip);
    Changed(Prop::Visible);
  }

 protected:
  Control& model_;
  Gtk::Widget& widget_;
  Gtk::Layout& parent_;
};

}  // namespace tabulon::gtk
