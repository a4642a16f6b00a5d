#pragma once
#include <functional>
#include <string>

#include "favourites/form_ini.h"
#include "platform/favourites_toolkit.h"

namespace tabulon::testing {

// Stands in for the dialog's widgets: every control gets a peer that can take
// the focus, and a modal run is whatever the test's user does meanwhile.
class FakeFavouritesToolkit final : public FavouritesToolkit {
 public:
  int built = 0;
  int runs = 0;
  int destroyed = 0;
  // The control that last took the focus, by name.
  std::string focused;
  // Whether the dialog was visible when its modal run began.
  bool visible_at_run = false;
  // What the user does while the dialog is shown (the next run only).
  std::function<void(FormIni&)> user;

  void BuildDialog(FormIni& form) override;
  void RunModal(FormIni& form) override;
  void DestroyDialog() override { ++destroyed; }
};

}  // namespace tabulon::testing
