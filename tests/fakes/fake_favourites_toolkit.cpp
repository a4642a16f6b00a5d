#include "fakes/fake_favourites_toolkit.h"

#include <memory>

namespace tabulon::testing {
namespace {

class FocusPeer final : public ControlPeer {
 public:
  FocusPeer(std::string name, std::string& focused) : name_(std::move(name)), focused_(focused) {}
  void Changed(Prop) override {}
  bool TakeFocus() override {
    focused_ = name_;
    return true;
  }

 private:
  std::string name_;
  std::string& focused_;
};

}  // namespace

void FakeFavouritesToolkit::BuildDialog(FormIni& form) {
  ++built;
  for (DialogControl* control : form.Controls()) {
    control->AttachPeer(std::make_unique<FocusPeer>(control->Name(), focused));
  }
}

void FakeFavouritesToolkit::RunModal(FormIni& form) {
  ++runs;
  visible_at_run = form.Window().Visible();
  auto act = std::move(user);
  user = nullptr;
  if (act) act(form);
}

}  // namespace tabulon::testing
