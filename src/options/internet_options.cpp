#include "options/internet_options.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "base/val.h"
#include "browsing/site_permissions.h"
#include "browsing/start_page.h"

namespace tabulon {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPermissionsNotSaved = "設定を保存できませんでした。";

// The cookie database and the files SQLite keeps beside it while it works.
constexpr const char* kCookieFiles[] = {"cookies.sqlite", "cookies.sqlite-journal",
                                        "cookies.sqlite-wal", "cookies.sqlite-shm"};

bool RemoveIfThere(const fs::path& path) {
  std::error_code error;
  fs::remove_all(path, error);
  return !error;
}

InternetSettings Trimmed(InternetSettings settings) {
  settings.home_page = TrimBlanks(settings.home_page);
  settings.search_address = TrimBlanks(settings.search_address);
  settings.default_encoding = TrimBlanks(settings.default_encoding);
  return settings;
}

}  // namespace

BrowsingData::BrowsingData(std::string data_folder, std::string cache_folder)
    : data_folder_(std::move(data_folder)), cache_folder_(std::move(cache_folder)) {}

bool BrowsingData::ClearCookies() {
  bool ok = true;
  for (const char* name : kCookieFiles) ok = RemoveIfThere(fs::path(data_folder_) / name) && ok;
  return ok;
}

bool BrowsingData::ClearCache() {
  // The folder itself stays: the engine of a running browser holds it open.
  std::error_code error;
  fs::directory_iterator entries(cache_folder_, error);
  if (error) return error == std::errc::no_such_file_or_directory;
  bool ok = true;
  for (const fs::directory_entry& entry : entries) ok = RemoveIfThere(entry.path()) && ok;
  return ok;
}

bool BrowsingData::ClearHistory(HistoryPeriod period) {
  const std::string path = HistoryFilePath(data_folder_);
  std::error_code error;
  if (!fs::exists(path, error)) return !error;  // nothing kept yet
  HistoryStore history(path);
  history.Clear(period);
  history.Flush();
  // A file it could not use was set aside, with the pages in it.
  return history.Path() == path;
}

std::string HomePageMessage(const std::string& address) {
  if (CheckHomePage(TrimBlanks(address)) == AddressProblem::kNone) return "";
  return "ホームページのアドレスが正しくありません。\n"
         "http:// か https:// で始まるアドレス、file:/// で始まるファイルのアドレス、"
         "または " +
         std::string(kHomeUrl) + " を入力してください。";
}

std::string SearchAddressMessage(const std::string& address) {
  switch (CheckSearchAddress(TrimBlanks(address))) {
    case AddressProblem::kNone: return "";
    case AddressProblem::kNoPlaceholder:
      return "検索アドレスに %s がありません。\n"
             "検索する言葉が入る場所に %s を 1 つ入れてください。";
    case AddressProblem::kTwoPlaceholders:
      return "検索アドレスに %s が 2 つ以上あります。\n"
             "検索する言葉が入る場所 1 か所だけに %s を入れてください。";
    case AddressProblem::kNotAnAddress: break;
  }
  return "検索アドレスが正しくありません。\n"
         "http:// か https:// で始まり、検索する言葉が入る場所に %s を 1 つ入れた"
         "アドレスを入力してください。";
}

std::string EncodingMessage(const std::string& name) {
  std::string canonical;
  if (CanonicalEncoding(TrimBlanks(name), canonical)) return "";
  return "既定の文字コード「" + name + "」は使えません。\n一覧から選んでください。";
}

InternetOptions::InternetOptions(SettingsStore& store, BrowsingData& data, OptionsView& view)
    : store_(store), data_(data), view_(view) {}

void InternetOptions::Load() {
  view_.ShowSettings(ReadInternetSettings(store_));
  ShowPermissions();
}

bool InternetOptions::Apply() {
  const InternetSettings entered = Trimmed(view_.EnteredSettings());
  const std::pair<OptionsField, std::string> checks[] = {
      {OptionsField::kHomePage, HomePageMessage(entered.home_page)},
      {OptionsField::kSearchAddress, SearchAddressMessage(entered.search_address)},
      {OptionsField::kDefaultEncoding, EncodingMessage(entered.default_encoding)},
  };
  for (const auto& [field, message] : checks) {
    if (!message.empty()) {
      view_.ShowMessage(message);
      view_.FocusField(field);
      return false;
    }
  }
  const IoResult saved = SaveInternetSettings(store_, entered);
  if (!saved.ok()) {
    // The window stays open with what was typed, so nothing is lost.
    view_.ShowMessage("設定を保存できませんでした。\n" + WriteFailureReason(saved.error));
    return false;
  }
  // The fields show what is stored now, in the store's spelling.
  view_.ShowSettings(ReadInternetSettings(store_));
  return true;
}

void InternetOptions::Ok() {
  if (Apply()) view_.Close();
}

void InternetOptions::Cancel() { view_.Close(); }

void InternetOptions::ResetHomePage() {
  InternetSettings shown = view_.EnteredSettings();
  shown.home_page = kHomeUrl;
  view_.ShowSettings(shown);
}

void InternetOptions::ResetSearchAddress() {
  InternetSettings shown = view_.EnteredSettings();
  shown.search_address = kDefaultSearchAddress;
  view_.ShowSettings(shown);
}

void InternetOptions::ShowPermissions() {
  std::vector<std::string> lines;
  for (const RememberedPermission& answer : RememberedPermissions(store_)) {
    lines.push_back(answer.site + "  " + PermissionName(answer.kind) + ": " +
                    (answer.allowed ? kAllowPermission : kDenyPermission));
  }
  view_.ShowPermissions(lines);
}

void InternetOptions::ForgetPermission() {
  const int selected = view_.SelectedPermission();
  const std::vector<RememberedPermission> answers = RememberedPermissions(store_);
  if (selected < 0 || static_cast<std::size_t>(selected) >= answers.size()) return;
  const RememberedPermission& answer = answers[static_cast<std::size_t>(selected)];
  if (!tabulon::ForgetPermission(store_, answer.site, answer.kind).ok()) {
    view_.ShowMessage(kPermissionsNotSaved);
  }
  ShowPermissions();
}

void InternetOptions::ForgetAllPermissions() {
  if (RememberedPermissions(store_).empty()) return;
  if (!view_.Confirm("サイトの許可と拒否の記憶をすべて削除しますか？")) return;
  if (!tabulon::ForgetAllPermissions(store_).ok()) view_.ShowMessage(kPermissionsNotSaved);
  ShowPermissions();
}

void InternetOptions::ClearCookies() {
  if (!view_.Confirm(
          "Cookie をすべて削除しますか？\nログインしていたサイトからはログアウトします。")) {
    return;
  }
  view_.ShowMessage(data_.ClearCookies()
                        ? "Cookie を削除しました。\n"
                          "実行中の Tabulon には、次に起動したときから反映されます。"
                        : "Cookie を削除できませんでした。");
}

void InternetOptions::ClearHistory(HistoryPeriod period) {
  const char* question = period == HistoryPeriod::LastHour ? "過去 1 時間の履歴を削除しますか？"
                         : period == HistoryPeriod::Today ? "今日の履歴を削除しますか？"
                                                          : "履歴をすべて削除しますか？";
  if (!view_.Confirm(question)) return;
  view_.ShowMessage(data_.ClearHistory(period) ? "履歴を削除しました。"
                                               : "履歴を削除できませんでした。");
}

void InternetOptions::ClearCache() {
  if (!view_.Confirm("キャッシュされたデータをすべて削除しますか？")) return;
  view_.ShowMessage(data_.ClearCache() ? "キャッシュされたデータを削除しました。"
                                       : "キャッシュされたデータを削除できませんでした。");
}

}  // namespace tabulon
