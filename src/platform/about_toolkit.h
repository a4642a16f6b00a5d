#pragma once
#include <string>
#include <vector>

#include "platform/controls.h"

namespace tabulon {

enum class MousePointer {
  Default,
  Hand,  // the pointing hand over the about box's link areas
};

// A label of the about box: a control with the pointer shown over it.
class AboutLabel : public Control {
 public:
  using Control::Control;
  MousePointer Pointer() const { return pointer_; }
  void SetPointer(MousePointer pointer) { pointer_ = pointer; }

 private:
  MousePointer pointer_ = MousePointer::Default;
};

// A straight line drawn on the dialog's surface; it takes no clicks, so a
// click on it counts as one on the free area.
struct RuleLine {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // twips
  Colour colour = 0;
  int width = 1;  // pixels
};

// The about box's controls, handed to the toolkit so it can build a fixed
// dialog frame (no minimise or maximise) whose client area is the form's
// ScaleWidth x ScaleHeight, with every control where its model says.
// picIcon shows the program's icon; lines are drawn in order, later ones on
// top.
struct AboutControls {
  Form& form;
  Control& picIcon;
  std::vector<AboutLabel*> labels;
  std::vector<const RuleLine*> lines;
  Control& cmdOK;
};

// What the toolkit reports of the about box, as plain calls.
class AboutInput {
 public:
  virtual ~AboutInput() = default;
  // A click on the dialog's surface where there is no control.
  virtual void Form_Click() = 0;
  // A click on one of the labels or on the picture.
  virtual void ControlClick(const Control& control) = 0;
  // The OK button: clicked, or pressed with Space while it has the focus.
  virtual void cmdOK_Click() = 0;
  // Every typed character reaches the dialog before its controls (Enter is
  // 13, Esc 27). Returns true when the key is consumed.
  virtual bool KeyPreview(int char_code) = 0;
  // The frame's close box.
  virtual void CloseRequested() = 0;
};

// The window system's side of the about box.
class AboutToolkit {
 public:
  virtual ~AboutToolkit() = default;
  virtual void BuildAbout(AboutControls controls, AboutInput& input) = 0;
  // Shows the dialog modally: the main window takes no input until
  // EndModal. Returns after EndModal, never from inside the call of it.
  virtual void RunModal() = 0;
  // Hides the dialog and lets RunModal return.
  virtual void EndModal() = 0;
  // A message box over the dialog, with an OK button only and no icon.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  // Forgets the widgets of the last BuildAbout; the controls it was given are
  // about to go away.
  virtual void Discard() = 0;
};

}  // namespace tabulon
