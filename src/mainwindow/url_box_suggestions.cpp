// The list of pages offered under the URL box while the user types there.
#include "base/keys.h"
#include "history/history_match.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

namespace {

// Titles in the list are cut to what a row can show.
constexpr std::size_t kShownTitleChars = 200;

const char* NoteFor(Suggestion::Kind kind) {
  switch (kind) {
    case Suggestion::Kind::OpenTab: return "タブに切り替え";
    case Suggestion::Kind::Favourite: return "お気に入り";
    case Suggestion::Kind::History: break;
  }
  return "";
}

}  // namespace

void frmMain::cmbURL_Change() {
  if (!cmbURL_.Edited()) return;
  std::vector<Suggestion> tabs, favourites;
  for (int p = 1; p <= state_.TabCount; ++p) {
    if (p == state_.CurTab) continue;
    TryStep([&] {
      tabs.push_back(
          {Suggestion::Kind::OpenTab, lblTab_(p).Caption(), BrowserOfTab(p).LocationURL(), p});
    });
  }
  for (int slot = 1; slot <= kFavouriteCount; ++slot) {
    const UrlEntry& entry = state_.UrlList[slot];
    favourites.push_back({Suggestion::Kind::Favourite, entry.Title, entry.Url, 0});
  }
  const std::string& typed = cmbURL_.Text();
  std::vector<HistoryEntry> history;
  if (suggestions_) {
    history =
        suggestions_->SuggestNow(typed, kSuggestionRows + kSuggestedTabs + kSuggestedFavourites);
  }
  suggested_ = ChooseSuggestions(typed, tabs, favourites, history);
  std::vector<DropList::Row> rows;
  for (const Suggestion& s : suggested_) {
    rows.push_back({CutText(s.title.empty() ? s.address : s.title, kShownTitleChars), s.address,
                    NoteFor(s.kind)});
  }
  lstSuggest_.SetRows(std::move(rows));
  lstSuggest_.SetVisible(!suggested_.empty());
}

bool frmMain::cmbURL_SuggestionKey(int key, int mask) {
  if (!lstSuggest_.Visible() || mask != 0) return false;
  const int count = static_cast<int>(suggested_.size());
  const int selected = lstSuggest_.Selected();
  switch (key) {
    // Past either end the choice goes back to the typed text.
    case kVkDown: lstSuggest_.SetSelected(selected + 1 < count ? selected + 1 : -1); return true;
    case kVkUp: lstSuggest_.SetSelected(selected < 0 ? count - 1 : selected - 1); return true;
    case kVkEscape: HideSuggestions(); return true;
    case kVkReturn:
      if (selected < 0) {
        HideSuggestions();
        return false;  // the box loads what was typed
      }
      ChooseSuggestion(selected);
      return true;
  }
  return false;
}

void frmMain::lstSuggest_Click(int row) {
  if (lstSuggest_.Visible() && row >= 0 && row < static_cast<int>(suggested_.size())) {
    ChooseSuggestion(row);
  }
}

void frmMain::ChooseSuggestion(int row) {
  const Suggestion chosen = suggested_[static_cast<std::size_t>(row)];
  HideSuggestions();
  // A tab still showing the page offered is switched to; one that has gone
  // elsewhere since, or closed, leaves the address to load here.
  if (chosen.kind == Suggestion::Kind::OpenTab && chosen.tab <= state_.TabCount) {
    bool same = false;
    TryStep([&] { same = BrowserOfTab(chosen.tab).LocationURL() == chosen.address; });
    if (same) {
      cmbURL_.EndEditing();
      TryStep([&] { lblTab_Click(chosen.tab); });
      return;
    }
  }
  cmbURL_.SetText(chosen.address);
  EnterUrl();
}

void frmMain::HideSuggestions() {
  suggested_.clear();
  if (!lstSuggest_.Rows().empty()) lstSuggest_.SetRows({});
  if (lstSuggest_.Visible()) lstSuggest_.SetVisible(false);
}

}  // namespace tabulon
