#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "history/history_match.h"

namespace tabulon {

// Where the history's suggestions come from: the entries matching what the
// user typed, best first. It never holds up typing: a history still being
// read offers nothing yet.
class SuggestionSource {
 public:
  virtual ~SuggestionSource() = default;
  virtual std::vector<HistoryEntry> SuggestNow(const std::string& typed,
                                               std::size_t limit) const = 0;
};

// A page offered under the URL box while the user types.
struct Suggestion {
  enum class Kind { OpenTab, Favourite, History };
  Kind kind = Kind::History;
  std::string title;
  std::string address;
  int tab = 0;  // an open tab's position in the strip
  bool operator==(const Suggestion&) const = default;
};

inline constexpr std::size_t kSuggestionRows = 8;
// Of those at most this many open tabs and as many favourites, so that
// a hundred tabs of one site leave room for the history.
inline constexpr std::size_t kSuggestedTabs = 3;
inline constexpr std::size_t kSuggestedFavourites = 3;

// What the list under the URL box offers for the typed text: the open tabs
// that match (going there switches to the tab), then the favourites, then
// the history (already best first), each address once, the earlier kind
// winning; every word typed has to appear in the address or the title.
std::vector<Suggestion> ChooseSuggestions(std::string_view typed,
                                          const std::vector<Suggestion>& open_tabs,
                                          const std::vector<Suggestion>& favourites,
                                          const std::vector<HistoryEntry>& history);

}  // namespace tabulon
