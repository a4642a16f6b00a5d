#pragma once

namespace tabulon {

class FormIni;

// The window system's side of the favourites dialog: widgets that mirror the
// dialog's control models and feed the user's input back to its handlers.
class FavouritesToolkit {
 public:
  virtual ~FavouritesToolkit() = default;
  // Builds the widgets for a newly created dialog, peers attached to each of
  // its controls. The dialog's Form_Load runs afterwards.
  virtual void BuildDialog(FormIni& form) = 0;
  // Shows the dialog modally, centred on the screen, and returns once the
  // dialog has hidden itself or the user closed it. The main window takes no
  // input meanwhile.
  virtual void RunModal(FormIni& form) = 0;
  // Destroys the widgets of a discarded dialog, after its models are gone.
  virtual void DestroyDialog() = 0;
};

}  // namespace tabulon
