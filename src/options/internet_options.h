#pragma once
#include <string>
#include <vector>

#include "browsing/internet_settings.h"
#include "history/history_store.h"
#include "settings/settings_store.h"

namespace tabulon {

// The fields of the options window that hold a setting.
enum class OptionsField { kHomePage, kSearchAddress, kDefaultEncoding };

// What the options window shows and reports, as plain calls.
class OptionsView {
 public:
  virtual ~OptionsView() = default;
  virtual void ShowSettings(const InternetSettings& settings) = 0;
  // The fields as the user left them.
  virtual InternetSettings EnteredSettings() = 0;
  // A message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  virtual void FocusField(OptionsField field) = 0;
  // Closes the window; the options program ends with it.
  virtual void Close() = 0;
  // The sites' remembered permission answers, one line each, and which of
  // them the user selected (-1: none).
  virtual void ShowPermissions(const std::vector<std::string>& /*lines*/) {}
  virtual int SelectedPermission() { return -1; }
};

// The engine's cookies and cache on disk: the cookie database in the data
// folder, and everything in the cache folder.
class BrowsingData {
 public:
  BrowsingData(std::string data_folder, std::string cache_folder);
  // True when nothing of the kind is left (also when there was none).
  bool ClearCookies();
  bool ClearCache();
  // The history's pages visited in the period; a running browser follows.
  bool ClearHistory(HistoryPeriod period);

 private:
  std::string data_folder_;
  std::string cache_folder_;
};

// The options program's logic: loads the Internet settings into the view,
// checks what the user entered and stores it, and clears browsing data.
class InternetOptions {
 public:
  InternetOptions(SettingsStore& store, BrowsingData& data, OptionsView& view);

  void Load();
  // "適用": checks every field first; the first one that does not pass gets
  // a message and the focus, and nothing at all is stored. True when stored.
  bool Apply();
  void Ok();
  void Cancel();
  // The "既定に戻す" buttons: the field shows the default, nothing is stored
  // until Apply.
  void ResetHomePage();
  void ResetSearchAddress();
  void ClearCookies();
  void ClearCache();
  void ClearHistory(HistoryPeriod period);
  // "削除" and "すべて削除" under the remembered permissions: the sites ask
  // again from their next request. Stored at once, like the data cleared.
  void ForgetPermission();
  void ForgetAllPermissions();

 private:
  void ShowPermissions();

  SettingsStore& store_;
  BrowsingData& data_;
  OptionsView& view_;
};

// The message for an entered value that cannot be stored, or "" when it can.
std::string HomePageMessage(const std::string& address);
std::string SearchAddressMessage(const std::string& address);
std::string EncodingMessage(const std::string& name);

}  // namespace tabulon
