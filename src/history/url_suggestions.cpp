#include "history/url_suggestions.h"

#include <algorithm>
#include <set>

namespace tabulon {

std::vector<Suggestion> ChooseSuggestions(std::string_view typed,
                                          const std::vector<Suggestion>& open_tabs,
                                          const std::vector<Suggestion>& favourites,
                                          const std::vector<HistoryEntry>& history) {
  const HistoryQuery query(typed);
  std::vector<Suggestion> chosen;
  if (query.Empty()) return chosen;
  std::set<std::string> offered;
  const auto offer = [&](const Suggestion& s, std::size_t& room) {
    if (room == 0 || chosen.size() == kSuggestionRows || s.address.empty()) return;
    if (!query.Matches(MatchText({s.address, s.title, 0, 0}))) return;
    if (!offered.insert(s.address).second) return;
    chosen.push_back(s);
    --room;
  };
  std::size_t tabs_room = kSuggestedTabs;
  for (const Suggestion& tab : open_tabs) offer(tab, tabs_room);
  std::size_t favourites_room = kSuggestedFavourites;
  for (const Suggestion& favourite : favourites) offer(favourite, favourites_room);
  std::size_t history_room = kSuggestionRows;
  for (const HistoryEntry& entry : history) {
    offer({Suggestion::Kind::History, entry.title, entry.address, 0}, history_room);
  }
  return chosen;
}

}  // namespace tabulon
