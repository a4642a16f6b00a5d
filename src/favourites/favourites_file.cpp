#include "favourites/favourites_file.h"

#include <vector>

#include "settings/profile.h"

namespace tabulon {

std::string SaveChangedFavourites(const Favourites& work, const Favourites& saved,
                                  const std::string& file) {
  std::vector<ProfileEntry> changes;
  for (int n = 1; n <= kFavouriteCount; ++n) {
    const auto i = static_cast<std::size_t>(n);
    const std::string number = std::to_string(n);
    if (work[i].Url != saved[i].Url) changes.push_back({"URL", "URL" + number, work[i].Url});
    if (work[i].Title != saved[i].Title) {
      changes.push_back({"TITLE", "TITLE" + number, work[i].Title});
    }
  }
  if (changes.empty()) return "";
  const IoResult result = WritePrivateProfileStrings(changes, file);
  if (result.ok()) return "";
  return "設定ファイル " + file + " に保存できませんでした。\n" + WriteFailureReason(result.error);
}

}  // namespace tabulon
