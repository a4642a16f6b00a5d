#include "favourites/favourites_file.h"

#include <cerrno>
#include <cstring>

#include "app/basqks_api.h"

namespace tabulon {

std::string WriteFailureReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return "書き込みが許可されていません。";
    case EROFS: return "読み取り専用の場所です。";
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return "ディスクの空きが足りません。";
    case ENOENT:
    case ENOTDIR: return "フォルダーがありません。";
    case 0: return "原因はわかりません。";
    default: return std::strerror(error);
  }
}

std::string SaveChangedFavourites(const Favourites& work, const Favourites& saved,
                                  const std::string& file) {
  int first_error = -1;
  auto put = [&](const char* section, int n, const std::string& value) {
    errno = 0;
    if (!PutIniStr(section, section + std::to_string(n), value, file) && first_error < 0) {
      first_error = errno;
    }
  };
  for (int n = 1; n <= kFavouriteCount; ++n) {
    const auto i = static_cast<std::size_t>(n);
    if (work[i].Url != saved[i].Url) put("URL", n, work[i].Url);
    if (work[i].Title != saved[i].Title) put("TITLE", n, work[i].Title);
  }
  if (first_error < 0) return "";
  return "設定ファイル " + file + " に保存できませんでした。\n" + WriteFailureReason(first_error);
}

}  // namespace tabulon
