#include "favourites/dialog_controls.h"

#include "base/errors.h"

namespace tabulon {

DialogControl::DialogControl(DialogControlKind kind, std::string name, DialogControl* container,
                             int left, int top, int width, int height, int tab_index,
                             const std::string& caption)
    : Control(left, top, width, height),
      kind_(kind),
      name_(std::move(name)),
      container_(container),
      tab_index_(tab_index) {
  SetCaption(caption);
}

void DialogControl::SetEnabled(bool v) {
  enabled_ = v;
  Notify(Prop::Enabled);
}

void DialogControl::SetFocus() {
  if (!Visible() || !enabled_ || !Peer() || !Peer()->TakeFocus()) {
    throw ControlError(name_ + " cannot take the focus");
  }
}

TextBox::TextBox(std::string name, DialogControl* container, int left, int top, int width,
                 int height, int tab_index, const std::string& text, bool input_method)
    : DialogControl(DialogControlKind::TextBox, std::move(name), container, left, top, width,
                    height, tab_index),
      text_(text),
      input_method_(input_method) {}

void TextBox::SetText(const std::string& text) {
  text_ = text;
  sel_start_ = sel_length_ = 0;
  Notify(Prop::Text);
}

void TextBox::FeedText(const std::string& text) {
  text_ = text;
  sel_start_ = sel_length_ = 0;
}

int TextBox::TextLength() const {
  int length = 0;
  for (unsigned char c : text_) {
    if ((c & 0xC0) != 0x80) ++length;
  }
  return length;
}

void TextBox::SetSelStart(int start) {
  const int length = TextLength();
  sel_start_ = start < 0 ? 0 : start > length ? length : start;
  if (sel_start_ + sel_length_ > length) sel_length_ = length - sel_start_;
  Notify(Prop::Text);
}

void TextBox::SetSelLength(int length) {
  const int room = TextLength() - sel_start_;
  sel_length_ = length < 0 ? 0 : length > room ? room : length;
  Notify(Prop::Text);
}

const std::string& ListBox::List(int index) const {
  if (index < 0 || index >= ListCount()) throw ControlError(Name() + ": no such line");
  return items_[static_cast<std::size_t>(index)];
}

void ListBox::SetList(int index, const std::string& text) {
  if (index < 0 || index >= ListCount()) throw ControlError(Name() + ": no such line");
  items_[static_cast<std::size_t>(index)] = text;
  Notify(Prop::List);
}

void ListBox::AddItem(const std::string& text) {
  items_.push_back(text);
  Notify(Prop::List);
}

void ListBox::Clear() {
  items_.clear();
  list_index_ = -1;
  Notify(Prop::List);
}

void ListBox::SetListIndex(int index) { Select(index, true); }
void ListBox::FeedListIndex(int index) { Select(index, false); }

void ListBox::Select(int index, bool echo) {
  if (index < -1 || index >= ListCount()) throw ControlError(Name() + ": no such line");
  if (index == list_index_) return;
  list_index_ = index;
  if (echo) Notify(Prop::List);
  if (index >= 0 && Click) Click();
}

void OptionButton::SetValue(bool value) { Choose(value, true); }
void OptionButton::FeedValue(bool value) { Choose(value, false); }

void OptionButton::Choose(bool value, bool echo) {
  if (value == value_) return;
  value_ = value;
  if (echo) Notify(Prop::Checked);
  if (!value) return;
  for (OptionButton* other : group_) {
    if (other != this && other->value_) {
      other->value_ = false;
      other->Notify(Prop::Checked);
    }
  }
  if (Click) Click();
}

}  // namespace tabulon
