#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tabulon {

// Properties a control model can report as changed to whatever mirrors it.
enum class Prop {
  Left,
  Top,
  Width,
  Height,
  Visible,
  Caption,
  ToolTip,
  BackColor,
  ForeColor,
  Bold,
  Tag,
  Text,
  List,
  ZOrder,
  Checked,
  Enabled,
  Panel,
  WindowState,
  Selection,
};

// Colours are platform colour values 0x00BBGGRR.
using Colour = std::uint32_t;

class Control;

// The toolkit side of one control: told of every change the program makes.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void Changed(Prop prop) = 0;
  // Gives the keyboard focus to the control; false when it cannot take it.
  virtual bool TakeFocus() { return false; }
};

// A control as the program sees it: the properties it reads and writes, in
// twips. Reading a property gives back exactly what was last set. Changes the
// user or the window system makes come back through the Feed* calls, which do
// not echo to the peer.
class Control {
 public:
  Control() = default;
  Control(int left, int top, int width, int height);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Visible() const { return visible_; }
  const std::string& Caption() const { return caption_; }
  const std::string& ToolTipText() const { return tool_tip_; }
  Colour BackColor() const { return back_colour_; }
  Colour ForeColor() const { return fore_colour_; }
  bool FontBold() const { return bold_; }
  const std::string& Tag() const { return tag_; }
  int ZOrderCalls() const { return z_order_calls_; }

  void SetLeft(int v);
  void SetTop(int v);
  // Sizes cannot be negative: the platform refuses such a value with an error.
  void SetWidth(int v);
  void SetHeight(int v);
  void SetVisible(bool v);
  void SetCaption(const std::string& v);
  void SetToolTipText(const std::string& v);
  void SetBackColor(Colour v);
  void SetForeColor(Colour v);
  void SetFontBold(bool v);
  void SetTag(const std::string& v);
  // Brings the control to the front of its container's stacking order.
  void ZOrder();

  // Copies the design properties of a template element (a control array's
  // element 0) into a newly loaded element, which starts hidden.
  void CopyDesignFrom(const Control& design);

  void AttachPeer(std::unique_ptr<ControlPeer> peer);
  ControlPeer* Peer() const { return peer_.get(); }
  // Fed back by the toolkit: what the window system decided.
  void FeedGeometry(int left, int top, int width, int height);

 protected:
  void Notify(Prop prop);

 private:
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  std::string caption_, tool_tip_, tag_;
  Colour back_colour_ = 0, fore_colour_ = 0;
  bool bold_ = false;
  int z_order_calls_ = 0;
  std::unique_ptr<ControlPeer> peer_;
};

// The editable combo box: its text and its drop-down list.
class ComboBox : public Control {
 public:
  using Control::Control;
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  // What the user typed: it counts as edited until the program sets the
  // text again or the editing ends.
  void FeedText(const std::string& text) {
    text_ = text;
    edited_ = true;
  }
  bool Edited() const { return edited_; }
  void EndEditing() { edited_ = false; }
  const std::vector<std::string>& List() const { return list_; }
  void AddItem(const std::string& item);
  // Fails with a ControlError when the box cannot take the focus.
  void SetFocus();

 private:
  std::string text_;
  std::vector<std::string> list_;
  bool edited_ = false;
};

// A list that drops down under the URL box while the user types there,
// offering pages to go to; hidden while it has nothing to offer. The
// keyboard focus stays in the box: the list only shows which row is chosen.
class DropList : public Control {
 public:
  struct Row {
    std::string title;
    std::string address;
    // What choosing the row does, where it differs from going to the address.
    std::string note;
    bool operator==(const Row&) const = default;
  };
  DropList() { SetVisible(false); }
  const std::vector<Row>& Rows() const { return rows_; }
  // New rows, none of them chosen.
  void SetRows(std::vector<Row> rows);
  // The chosen row, -1 for none.
  int Selected() const { return selected_; }
  void SetSelected(int row);

 private:
  std::vector<Row> rows_;
  int selected_ = -1;
};

// The status bar: panel 1 carries the status text, panel 2 the load progress.
class StatusBar : public Control {
 public:
  using Control::Control;
  const std::string& PanelText(int panel) const;
  void SetPanelText(int panel, const std::string& text);

 private:
  std::string panels_[2];
};

// A key as the window's key handlers see it: virtual-key code and modifier
// mask (Shift 1, Ctrl 2, Alt 4).
struct Shortcut {
  int key = 0;
  int mask = 0;
  bool operator==(const Shortcut&) const = default;
};

class MenuItem {
 public:
  MenuItem(std::string name, std::string caption, Shortcut shortcut = {});
  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  Shortcut GetShortcut() const { return shortcut_; }
  bool IsSeparator() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  bool Visible() const { return visible_; }
  bool Enabled() const { return enabled_; }
  void SetChecked(bool v);
  void SetVisible(bool v);
  void SetEnabled(bool v);

  MenuItem& Add(std::string name, std::string caption, Shortcut shortcut = {});
  const std::vector<std::unique_ptr<MenuItem>>& Items() const { return items_; }
  MenuItem* Parent() const { return parent_; }
  // Whether the item and every menu above it are visible.
  bool ReachableFromMenuBar() const;

  std::function<void()> Click;
  std::function<void(Prop)> OnChange;  // set by the toolkit's mirror

 private:
  void Notify(Prop p) {
    if (OnChange) OnChange(p);
  }
  std::string name_, caption_;
  Shortcut shortcut_;
  bool checked_ = false, visible_ = true, enabled_ = true;
  MenuItem* parent_ = nullptr;
  std::vector<std::unique_ptr<MenuItem>> items_;
};

enum WindowState : int { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// The window itself: outer geometry (Left, Top, Width, Height), caption,
// client size (ScaleWidth, ScaleHeight) and window state.
class Form : public Control {
 public:
  using Control::Control;
  int ScaleWidth() const { return scale_width_; }
  int ScaleHeight() const { return scale_height_; }
  int GetWindowState() const { return window_state_; }
  void SetWindowState(int state);
  void FeedClientSize(int scale_width, int scale_height);
  void FeedWindowState(int state) { window_state_ = state; }

 private:
  int scale_width_ = 0, scale_height_ = 0;
  int window_state_ = kNormal;
};

}  // namespace tabulon
