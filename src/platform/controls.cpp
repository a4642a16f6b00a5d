#include "platform/controls.h"

#include <utility>

#include "base/errors.h"

namespace tabulon {

Control::Control(int left, int top, int width, int height)
    : left_(left), top_(top), width_(width), height_(height) {}

Control::~Control() = default;

void Control::Notify(Prop prop) {
  if (peer_) peer_->Changed(prop);
}

void Control::SetLeft(int v) {
  left_ = v;
  Notify(Prop::Left);
}
void Control::SetTop(int v) {
  top_ = v;
  Notify(Prop::Top);
}
void Control::SetWidth(int v) {
  if (v < 0) throw ControlError("invalid property value: Width");
  width_ = v;
  Notify(Prop::Width);
}
void Control::SetHeight(int v) {
  if (v < 0) throw ControlError("invalid property value: Height");
  height_ = v;
  Notify(Prop::Height);
}
void Control::SetVisible(bool v) {
  visible_ = v;
  Notify(Prop::Visible);
}
void Control::SetCaption(const std::string& v) {
  caption_ = v;
  Notify(Prop::Caption);
}
void Control::SetToolTipText(const std::string& v) {
  tool_tip_ = v;
  Notify(Prop::ToolTip);
}
void Control::SetBackColor(Colour v) {
  back_colour_ = v;
  Notify(Prop::BackColor);
}
void Control::SetForeColor(Colour v) {
  fore_colour_ = v;
  Notify(Prop::ForeColor);
}
void Control::SetFontBold(bool v) {
  bold_ = v;
  Notify(Prop::Bold);
}
void Control::SetTag(const std::string& v) {
  tag_ = v;
  Notify(Prop::Tag);
}
void Control::ZOrder() {
  ++z_order_calls_;
  Notify(Prop::ZOrder);
}

void Control::CopyDesignFrom(const Control& design) {
  left_ = design.left_;
  top_ = design.top_;
  width_ = design.width_;
  height_ = design.height_;
  caption_ = design.caption_;
  tool_tip_ = design.tool_tip_;
  tag_ = design.tag_;
  back_colour_ = design.back_colour_;
  fore_colour_ = design.fore_colour_;
  bold_ = design.bold_;
  visible_ = false;
  for (Prop p : {Prop::Left, Prop::Top, Prop::Width, Prop::Height, Prop::Caption, Prop::ToolTip,
                 Prop::Tag, Prop::BackColor, Prop::ForeColor, Prop::Bold, Prop::Visible}) {
    Notify(p);
  }
}

void Control::AttachPeer(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }

void Control::FeedGeometry(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void ComboBox::SetText(const std::string& text) {
  text_ = text;
  edited_ = false;
  Notify(Prop::Text);
}

void ComboBox::AddItem(const std::string& item) {
  list_.push_back(item);
  Notify(Prop::List);
}

void DropList::SetRows(std::vector<Row> rows) {
  rows_ = std::move(rows);
  selected_ = -1;
  Notify(Prop::List);
}

void DropList::SetSelected(int row) {
  selected_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
  Notify(Prop::Selection);
}

void ComboBox::SetFocus() {
  if (!Visible() || !Peer() || !Peer()->TakeFocus()) {
    throw ControlError("the URL box cannot take the focus");
  }
}

const std::string& StatusBar::PanelText(int panel) const {
  if (panel < 1 || panel > 2) throw ControlError("no such panel");
  return panels_[panel - 1];
}

void StatusBar::SetPanelText(int panel, const std::string& text) {
  if (panel < 1 || panel > 2) throw ControlError("no such panel");
  panels_[panel - 1] = text;
  Notify(Prop::Panel);
}

MenuItem::MenuItem(std::string name, std::string caption, Shortcut shortcut)
    : name_(std::move(name)), caption_(std::move(caption)), shortcut_(shortcut) {}

void MenuItem::SetChecked(bool v) {
  checked_ = v;
  Notify(Prop::Checked);
}
void MenuItem::SetVisible(bool v) {
  visible_ = v;
  Notify(Prop::Visible);
}
void MenuItem::SetEnabled(bool v) {
  enabled_ = v;
  Notify(Prop::Enabled);
}

MenuItem& MenuItem::Add(std::string name, std::string caption, Shortcut shortcut) {
  items_.push_back(std::make_unique<MenuItem>(std::move(name), std::move(caption), shortcut));
  items_.back()->parent_ = this;
  return *items_.back();
}

bool MenuItem::ReachableFromMenuBar() const {
  for (const MenuItem* m = this; m; m = m->parent_) {
    if (!m->visible_ || !m->enabled_) return false;
  }
  return true;
}

void Form::SetWindowState(int state) {
  window_state_ = state;
  Notify(Prop::WindowState);
}

void Form::FeedClientSize(int scale_width, int scale_height) {
  scale_width_ = scale_width;
  scale_height_ = scale_height;
}

}  // namespace tabulon
