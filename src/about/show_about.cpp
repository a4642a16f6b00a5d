#include "app/application.h"

namespace tabulon {

// The about box is being built (about-box issue); until then the menu item
// opens nothing.
void Application::ShowAbout() {}

}  // namespace tabulon
