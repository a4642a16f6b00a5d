#include "favourites/form_ini.h"

#include <utility>

#include "base/errors.h"
#include "base/keys.h"
#include "favourites/favourites_file.h"
#include "settings/basqks_api.h"

namespace tabulon {
namespace {

constexpr int kClientWidth = 6765;
constexpr int kClientHeight = 6480;

using Kind = DialogControlKind;

// The hot key's digit: lines 10 and 20 get 0.
char HotKeyDigit(int n) { return static_cast<char>('0' + n % 10); }

// Leading and trailing spaces only: a tab typed into an address stays.
std::string TrimSpaces(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string UrlListLine(int n, const std::string& shown) {
  if (n <= 10) return std::string("Ctrl + ") + HotKeyDigit(n) + "\t \t" + shown;
  return std::string("Ctrl + Shift + ") + HotKeyDigit(n) + " \t" + shown;
}

std::string AppliedLine(int n, const std::string& shown) {
  return std::string(n <= 10 ? "Ctrl" : "Ctrl + Shift") + " + " + HotKeyDigit(n) + "\t \t" + shown;
}

FormIni::FormIni(AppState& state, FavouritesHost& host)
    : state_(state),
      host_(host),
      optMode0_(Kind::Option, "optMode(0)", nullptr, 60, 60, 1455, 225, 0, "URL表示"),
      optMode1_(Kind::Option, "optMode(1)", nullptr, 1650, 60, 1755, 225, 1, "タイトル表示"),
      fraList_(Kind::Frame, "fraList", nullptr, 60, 360, 5940, 4440, 11, "Webページリスト"),
      picSoto_(Kind::Panel, "picSoto", &fraList_, 120, 270, 5745, 4095, 15),
      lstURLLst_(Kind::ListBox, "lstURLLst", &picSoto_, 0, 0, 5655, 4020, 2),
      picCHG_(Kind::Panel, "picCHG", nullptr, 60, 4800, 5955, 1065, 12),
      Label2_(Kind::Label, "Label2", &picCHG_, 60, 105, 465, 240, 14, "URL:"),
      txtURL_("txtURL", &picCHG_, 510, 30, 5370, 285, 3, "http://", false),
      Label1_(Kind::Label, "Label1", &picCHG_, 60, 420, 555, 240, 13, "Title:"),
      txtTitle_("txtTitle", &picCHG_, 480, 345, 5370, 285, 4, "", true),
      cmdChg_(Kind::Button, "cmdChg", &picCHG_, 480, 660, 675, 300, 5, "適用"),
      cmdNOW_(Kind::Button, "cmdNOW", &picCHG_, 1170, 660, 1635, 300, 6, "今のページを追加"),
      cmdUP_(Kind::Button, "cmdUP", &picCHG_, 4440, 660, 675, 300, 7, "上へ"),
      cmdDWN_(Kind::Button, "cmdDWN", &picCHG_, 5160, 660, 675, 300, 8, "下へ"),
      cmdOK_(Kind::Button, "cmdOK", nullptr, 3885, 5970, 1000, 300, 9, "OK"),
      cmdEXIT_(Kind::Button, "cmdEXIT", nullptr, 5025, 5970, 1000, 300, 10, "ｷｬﾝｾﾙ") {
  form_.SetCaption("Tabulon 設定");
  form_.FeedClientSize(kClientWidth, kClientHeight);
  form_.SetVisible(false);
  optMode0_.SetGroup({&optMode0_, &optMode1_});
  optMode1_.SetGroup({&optMode0_, &optMode1_});
  for (int i = 0; i < 2; ++i) {
    optMode(i).Click = [this, i] { optMode_Click(i); };
    optMode(i).KeyDown = [this, i](int key, int shift) { optMode_KeyDown(i, key, shift); };
  }
  lstURLLst_.Click = [this] { lstURLLst_Click(); };
  lstURLLst_.DblClick = [this] { lstURLLst_DblClick(); };
  txtURL_.GotFocus = [this] { txtURL_GotFocus(); };
  txtTitle_.GotFocus = [this] { txtTitle_GotFocus(); };
  cmdChg_.Click = [this] { cmdChg_Click(); };
  cmdNOW_.Click = [this] { cmdNOW_Click(); };
  cmdUP_.Click = [this] { cmdUP_Click(); };
  cmdDWN_.Click = [this] { cmdDWN_Click(); };
  cmdOK_.Click = [this] { cmdOK_Click(); };
  cmdEXIT_.Click = [this] { cmdEXIT_Click(); };
}

OptionButton& FormIni::optMode(int index) {
  if (index == 0) return optMode0_;
  if (index == 1) return optMode1_;
  throw ControlError("optMode: no such element");
}

std::array<DialogControl*, 16> FormIni::Controls() {
  return {&optMode0_, &optMode1_, &fraList_, &picSoto_, &lstURLLst_, &picCHG_, &Label2_, &txtURL_,
          &Label1_,   &txtTitle_, &cmdChg_,  &cmdNOW_,  &cmdUP_,     &cmdDWN_, &cmdOK_,  &cmdEXIT_};
}

void FormIni::SetUrlList() {
  lstURLLst_.Clear();
  for (int n = 1; n <= kFavouriteCount; ++n) {
    const UrlEntry& entry = WorkList[static_cast<std::size_t>(n)];
    lstURLLst_.AddItem(UrlListLine(n, state_.ListMode == 0 ? entry.Url : entry.Title));
  }
}

void FormIni::Form_Load() {
  ReloadSettingsIfChanged(state_);
  for (int n = 1; n <= kFavouriteCount; ++n) {
    WorkList[static_cast<std::size_t>(n)] = state_.UrlList[static_cast<std::size_t>(n)];
  }
  SetUrlList();
  optMode(state_.ListMode != 0 ? 1 : 0).SetValue(true);
  lstURLLst_.SetListIndex(0);
}

void FormIni::lstURLLst_Click() {
  const int n = lstURLLst_.ListIndex() + 1;
  if (n < 1) return;
  txtURL_.SetText(WorkList[static_cast<std::size_t>(n)].Url);
  txtTitle_.SetText(WorkList[static_cast<std::size_t>(n)].Title);
}

void FormIni::lstURLLst_DblClick() {
  const int n = lstURLLst_.ListIndex() + 1;
  if (n < 1) return;
  const std::string url = WorkList[static_cast<std::size_t>(n)].Url;
  // Whatever becomes of the new tab, the dialog goes as the user asked.
  TryStep([&] { host_.OpenUrlNewTab(url); });
  Unload();
}

void FormIni::optMode_Click(int) {
  state_.ListMode = optMode0_.Value() ? 0 : 1;
  const int selected = lstURLLst_.ListIndex();
  SetUrlList();
  lstURLLst_.SetListIndex(selected);
}

void FormIni::optMode_KeyDown(int, int key, int) {
  if (key == kVkReturn) TryStep([this] { lstURLLst_.SetFocus(); });
}

void FormIni::SelectAll(TextBox& box) {
  box.SetSelStart(0);
  box.SetSelLength(box.TextLength());
}

void FormIni::txtURL_GotFocus() { SelectAll(txtURL_); }
void FormIni::txtTitle_GotFocus() { SelectAll(txtTitle_); }

void FormIni::cmdChg_Click() {
  const int n = lstURLLst_.ListIndex() + 1;
  if (n < 1) return;
  const std::string& shown = state_.ListMode == 0 ? txtURL_.Text() : txtTitle_.Text();
  lstURLLst_.SetList(n - 1, AppliedLine(n, shown));
  WorkList[static_cast<std::size_t>(n)].Url = TrimSpaces(txtURL_.Text());
  WorkList[static_cast<std::size_t>(n)].Title = TrimSpaces(txtTitle_.Text());
}

void FormIni::cmdNOW_Click() {
  txtURL_.SetText(host_.CurrentAddress());
  // Without a current tab there is no caption to take.
  TryStep([&] { txtTitle_.SetText(host_.CurrentTabCaption()); });
}

void FormIni::SwapEntries(int a, int b) {
  UrlEntry& first = WorkList[static_cast<std::size_t>(a)];
  UrlEntry& second = WorkList[static_cast<std::size_t>(b)];
  std::swap(first.Title, second.Title);
  std::swap(first.Url, second.Url);
}

void FormIni::cmdUP_Click() {
  const int i = lstURLLst_.ListIndex();
  if (i == 0) {
    cmdUP_.SetEnabled(false);
    return;
  }
  if (i < 0) return;
  SwapEntries(i + 1, i);
  SetUrlList();
  lstURLLst_.SetListIndex(i - 1);
}

void FormIni::cmdDWN_Click() {
  const int i = lstURLLst_.ListIndex();
  if (i == kFavouriteCount - 1) {
    cmdDWN_.SetEnabled(false);
    return;
  }
  if (i < 0) return;
  SwapEntries(i + 1, i + 2);
  SetUrlList();
  lstURLLst_.SetListIndex(i + 1);
}

void FormIni::cmdOK_Click() {
  save_error_ = SaveChangedFavourites(WorkList, state_.UrlList, SettingsFilePath(state_));
  for (int n = 1; n <= kFavouriteCount; ++n) {
    state_.UrlList[static_cast<std::size_t>(n)] = WorkList[static_cast<std::size_t>(n)];
  }
  // The list now matches the file as written; after a failed save it
  // matches nothing on disk, and the file's old version stays the one known.
  if (save_error_.empty()) state_.UrlListStamp = SettingsFileStamp(state_);
  Unload();
}

void FormIni::cmdEXIT_Click() { form_.SetVisible(false); }

void FormIni::CloseRequested() { Unload(); }

void FormIni::Show() { form_.SetVisible(true); }

void FormIni::Unload() {
  unload_requested_ = true;
  form_.SetVisible(false);
}

}  // namespace tabulon
