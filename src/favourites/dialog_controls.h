#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace tabulon {

// What a dialog control is, so the toolkit knows which widget mirrors it.
enum class DialogControlKind { Frame, Panel, Label, TextBox, ListBox, Button, Option };

// A control of a dialog: a Control placed in a container (nullptr: the
// dialog's client area), with its place in the tab order and its enabled
// state.
class DialogControl : public Control {
 public:
  DialogControl(DialogControlKind kind, std::string name, DialogControl* container, int left,
                int top, int width, int height, int tab_index, const std::string& caption = "");

  DialogControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  DialogControl* Container() const { return container_; }
  int TabIndex() const { return tab_index_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  // Fails with a ControlError when the control cannot take the focus.
  void SetFocus();

 private:
  DialogControlKind kind_;
  std::string name_;
  DialogControl* container_;
  int tab_index_;
  bool enabled_ = true;
};

class CommandButton : public DialogControl {
 public:
  using DialogControl::DialogControl;
  std::function<void()> Click;
};

// A text box. Its selection counts characters, not bytes, as the user sees
// them. The peer hears Prop::Text for a change of the text or the selection.
class TextBox : public DialogControl {
 public:
  TextBox(std::string name, DialogControl* container, int left, int top, int width, int height,
          int tab_index, const std::string& text, bool input_method);

  const std::string& Text() const { return text_; }
  // Setting the text puts the caret at its start with nothing selected.
  void SetText(const std::string& text);
  void FeedText(const std::string& text);
  int SelStart() const { return sel_start_; }
  int SelLength() const { return sel_length_; }
  void SetSelStart(int start);
  void SetSelLength(int length);
  // The length of the text in characters.
  int TextLength() const;
  // Whether the box lets an input method compose text (the address box does not).
  bool InputMethod() const { return input_method_; }

  std::function<void()> GotFocus;

 private:
  std::string text_;
  int sel_start_ = 0, sel_length_ = 0;
  bool input_method_;
};

// A single-selection, unsorted list box. The peer hears Prop::List for any
// change of the lines or of the selection.
class ListBox : public DialogControl {
 public:
  using DialogControl::DialogControl;

  int ListCount() const { return static_cast<int>(items_.size()); }
  // The line at a list index (0-based); a missing line is an error.
  const std::string& List(int index) const;
  // Replaces the line at a list index in place.
  void SetList(int index, const std::string& text);
  void AddItem(const std::string& text);
  // Removes every line; no line is selected afterwards.
  void Clear();
  // The selected list index, -1 when none.
  int ListIndex() const { return list_index_; }
  // Selecting another line raises Click, as a selection by the user does.
  void SetListIndex(int index);
  void FeedListIndex(int index);

  std::function<void()> Click;
  std::function<void()> DblClick;

 private:
  void Select(int index, bool echo);
  std::vector<std::string> items_;
  int list_index_ = -1;
};

// One button of a group of option buttons: selecting it clears the others
// and raises its Click. The peer hears Prop::Checked.
class OptionButton : public DialogControl {
 public:
  using DialogControl::DialogControl;

  bool Value() const { return value_; }
  void SetValue(bool value);
  void FeedValue(bool value);
  // The buttons that are selected one at a time, this one included.
  void SetGroup(std::vector<OptionButton*> group) { group_ = std::move(group); }

  std::function<void()> Click;
  std::function<void(int key, int shift)> KeyDown;

 private:
  void Choose(bool value, bool echo);
  bool value_ = false;
  std::vector<OptionButton*> group_;
};

}  // namespace tabulon
