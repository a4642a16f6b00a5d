#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

// One page of the history: its address, its latest title, when it was last
// visited (seconds since the epoch) and how often.
struct HistoryEntry {
  std::string address;
  std::string title;
  std::int64_t last_visit = 0;
  int visit_count = 0;
  bool operator==(const HistoryEntry&) const = default;
};

// The form of a text that typed words are looked for in: Latin letters in
// lower case, half- and full-width alike; everything else, Japanese
// included, as it is.
std::string FoldForMatch(std::string_view text);

// What the user typed, split into words at blanks (the ideographic space
// included) and folded. Every word has to appear somewhere in an entry's
// address or title; a word matches inside other text, so 東京 finds
// 東京都庁.
class HistoryQuery {
 public:
  explicit HistoryQuery(std::string_view typed);
  bool Empty() const { return words_.empty(); }
  // folded: FoldForMatch of the address, '\n', and of the title.
  bool Matches(std::string_view folded) const;
  // Whether the first word begins the address's host (after "www."), the
  // page the user is most likely typing.
  bool StartsHost(std::string_view folded) const;
  const std::vector<std::string>& Words() const { return words_; }

 private:
  std::vector<std::string> words_;
};

// The text matched against for an entry: folded address, '\n', folded title.
std::string MatchText(const HistoryEntry& entry);

// The match texts of many entries one after the other in one buffer, so
// that a word is looked for in all of them at the speed of memory rather
// than entry by entry. Each text has a slot and an owner (the entry).
class MatchTexts {
 public:
  std::size_t Add(std::string_view text, const void* owner);
  // The slot's text no longer counts; its bytes stay until Clear.
  void Drop(std::size_t slot);
  std::string_view Text(std::size_t slot) const;
  void Clear();
  // Whether most of the buffer is dropped texts: time to add the live ones
  // again after a Clear.
  bool MostlyDropped() const;
  // Calls found with the owner of every text (dropped ones aside) that
  // holds every word of the query; with no words, of every text.
  template <typename Found>
  void ForEachMatch(const HistoryQuery& query, Found&& found) const {
    Scan(
        query, [](const void* owner, void* f) { (*static_cast<Found*>(f))(owner); }, &found);
  }

 private:
  void Scan(const HistoryQuery& query, void (*call)(const void*, void*), void* context) const;

  std::string buffer_;
  std::vector<std::size_t> starts_;
  std::vector<const void*> owners_;  // nullptr: dropped
  std::size_t dropped_bytes_ = 0;
  // How often each byte occurs in the buffer: a word is looked for by its
  // rarest byte.
  std::size_t byte_counts_[256] = {};
};

// How strongly an entry is suggested: grows with the visits and falls with
// the time since the last one, so a page visited often lately comes first.
double HistoryScore(const HistoryEntry& entry, std::int64_t now);

// The address as the history keeps it, "" for one it does not keep: the
// browser's own pages (tabulon:, about:), scripts and inline data. User
// name and password are left out of the address.
std::string HistoryAddress(std::string_view address);

// At most max_chars characters of UTF-8 text, cut between characters, with
// "…" when something was cut.
std::string CutText(std::string_view text, std::size_t max_chars);

}  // namespace tabulon
