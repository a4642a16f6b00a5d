#include "app/application.h"

namespace tabulon {

// The favourites dialog is being built (favourites issue); until then the
// menu item opens nothing.
void Application::ShowFavourites() {}

}  // namespace tabulon
