#pragma once
#include <array>
#include <string>

#include "base/state.h"
#include "favourites/dialog_controls.h"
#include "platform/controls.h"

namespace tabulon {

// What the favourites dialog asks of the program around it.
class FavouritesHost {
 public:
  virtual ~FavouritesHost() = default;
  // Opens the address in a new tab after the others.
  virtual void OpenUrlNewTab(const std::string& url) = 0;
  // The text of the main window's URL box.
  virtual std::string CurrentAddress() = 0;
  // The caption of the current tab's label; throws when there is no tab.
  virtual std::string CurrentTabCaption() = 0;
};

// The text of list line n (1 to 20) as the list is built: the hot key, then
// the shown address or title after the tab stops.
std::string UrlListLine(int n, const std::string& shown);
// The text "適用" writes into line n: one pattern for all twenty lines.
std::string AppliedLine(int n, const std::string& shown);

// The favourites dialog "Tabulon 設定": the twenty favourites with their hot
// keys, edited on a working copy that only OK writes to the settings file and
// to UrlList. Toolkit-free: the toolkit mirrors its controls into widgets.
class FormIni final {
 public:
  FormIni(AppState& state, FavouritesHost& host);
  FormIni(const FormIni&) = delete;
  FormIni& operator=(const FormIni&) = delete;

  // The dialog's working copy of the favourites, entries 1 to 20.
  std::array<UrlEntry, kFavouriteCount + 1> WorkList;

  void SetUrlList();

  void Form_Load();
  void lstURLLst_Click();
  void lstURLLst_DblClick();
  void optMode_Click(int index);
  void optMode_KeyDown(int index, int key, int shift);
  void txtURL_GotFocus();
  void txtTitle_GotFocus();
  void cmdChg_Click();
  void cmdNOW_Click();
  void cmdUP_Click();
  void cmdDWN_Click();
  void cmdOK_Click();
  void cmdEXIT_Click();
  // The window frame's close: the dialog goes without saving.
  void CloseRequested();

  // Makes the dialog visible again for a modal run.
  void Show();
  // Whether the dialog asked to be discarded once its modal run is over.
  bool UnloadRequested() const { return unload_requested_; }
  // Why OK could not write the settings file; empty when it could.
  const std::string& SaveError() const { return save_error_; }

  // Controls, by the names the handlers use.
  Form& Window() { return form_; }
  OptionButton& optMode(int index);
  DialogControl& fraList() { return fraList_; }
  DialogControl& picSoto() { return picSoto_; }
  ListBox& lstURLLst() { return lstURLLst_; }
  DialogControl& picCHG() { return picCHG_; }
  DialogControl& Label2() { return Label2_; }
  TextBox& txtURL() { return txtURL_; }
  DialogControl& Label1() { return Label1_; }
  TextBox& txtTitle() { return txtTitle_; }
  CommandButton& cmdChg() { return cmdChg_; }
  CommandButton& cmdNOW() { return cmdNOW_; }
  CommandButton& cmdUP() { return cmdUP_; }
  CommandButton& cmdDWN() { return cmdDWN_; }
  CommandButton& cmdOK() { return cmdOK_; }
  CommandButton& cmdEXIT() { return cmdEXIT_; }
  // Every control, each container before what it holds.
  std::array<DialogControl*, 16> Controls();

 private:
  void Unload();
  void SelectAll(TextBox& box);
  void SwapEntries(int a, int b);

  AppState& state_;
  FavouritesHost& host_;
  bool unload_requested_ = false;
  std::string save_error_;

  Form form_;
  OptionButton optMode0_, optMode1_;
  DialogControl fraList_, picSoto_;
  ListBox lstURLLst_;
  DialogControl picCHG_, Label2_;
  TextBox txtURL_;
  DialogControl Label1_;
  TextBox txtTitle_;
  CommandButton cmdChg_, cmdNOW_, cmdUP_, cmdDWN_, cmdOK_, cmdEXIT_;
};

}  // namespace tabulon
