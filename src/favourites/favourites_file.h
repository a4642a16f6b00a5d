#pragma once
#include <array>
#include <string>

#include "base/state.h"

namespace tabulon {

using Favourites = std::array<UrlEntry, kFavouriteCount + 1>;

// Writes to the settings file, for n = 1 to 20, "URL"n and then "TITLE"n,
// each only when the working value differs exactly from the saved one; an
// emptied value is written empty. Nothing changed means nothing written and
// no file created. All the changes land in one write or none does: a
// favourite never keeps a new address with an old title. Returns a message
// naming the file and the reason when the write failed, else "".
std::string SaveChangedFavourites(const Favourites& work, const Favourites& saved,
                                  const std::string& file);

}  // namespace tabulon
