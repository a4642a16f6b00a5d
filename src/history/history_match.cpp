#include "history/history_match.h"

#include <algorithm>
#include <cmath>

namespace tabulon {

namespace {

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The blanks between typed words: space, tab and the ideographic space.
std::size_t BlankAt(std::string_view text, std::size_t i) {
  if (text[i] == ' ' || text[i] == '\t') return 1;
  if (text.substr(i, 3) == "\xE3\x80\x80") return 3;
  return 0;
}

}  // namespace

std::string FoldForMatch(std::string_view text) {
  std::string folded(text);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    char& c = folded[i];
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    } else if (c == '\xEF' && i + 2 < folded.size() && folded[i + 1] == '\xBC' &&
               folded[i + 2] >= '\xA1' && folded[i + 2] <= '\xBA') {
      // Ａ (U+FF21) to Ｚ (U+FF3A) become ａ (U+FF41) to ｚ (U+FF5A).
      folded[i + 1] = '\xBD';
      folded[i + 2] = static_cast<char>(folded[i + 2] - 0x20);
      i += 2;
    }
  }
  return folded;
}

HistoryQuery::HistoryQuery(std::string_view typed) {
  std::size_t i = 0;
  while (i < typed.size()) {
    if (std::size_t blank = BlankAt(typed, i)) {
      i += blank;
      continue;
    }
    std::size_t end = i;
    while (end < typed.size() && !BlankAt(typed, end)) ++end;
    words_.push_back(FoldForMatch(typed.substr(i, end - i)));
    i = end;
  }
}

bool HistoryQuery::Matches(std::string_view folded) const {
  return std::all_of(words_.begin(), words_.end(), [folded](const std::string& word) {
    return folded.find(word) != std::string_view::npos;
  });
}

bool HistoryQuery::StartsHost(std::string_view folded) const {
  if (words_.empty()) return false;
  const std::size_t scheme = folded.find("://");
  if (scheme != std::string_view::npos) folded.remove_prefix(scheme + 3);
  if (folded.substr(0, 4) == "www.") folded.remove_prefix(4);
  return folded.substr(0, words_[0].size()) == words_[0];
}

std::string MatchText(const HistoryEntry& entry) {
  return FoldForMatch(entry.address) + '\n' + FoldForMatch(entry.title);
}

double HistoryScore(const HistoryEntry& entry, std::int64_t now) {
  const double age_days =
      static_cast<double>(std::max<std::int64_t>(0, now - entry.last_visit)) / 86400.0;
  // Recency halves every week, and never quite reaches nothing; visits count
  // less and less the more there are.
  const double recency = 0.1 + 0.9 * std::exp2(-age_days / 7.0);
  const double visits = std::log2(2.0 + std::max(0, entry.visit_count));
  return recency * visits;
}

std::string HistoryAddress(std::string_view address) {
  if (address.empty()) return {};
  for (const char* scheme : {"tabulon:", "about:", "javascript:", "data:", "blob:"}) {
    if (StartsWithFolded(address, scheme)) return {};
  }
  // Addresses longer than this are generated, not visited.
  if (address.size() > 8192) return {};
  std::string kept(address);
  const std::size_t scheme_end = kept.find("://");
  if (scheme_end == std::string::npos) return kept;
  const std::size_t host = scheme_end + 3;
  const std::size_t authority_end = kept.find_first_of("/?#", host);
  const std::size_t at =
      kept.rfind('@', authority_end == std::string::npos ? std::string::npos : authority_end - 1);
  if (at != std::string::npos && at >= host) kept.erase(host, at + 1 - host);
  return kept;
}

std::string CutText(std::string_view text, std::size_t max_chars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A character starts at every byte but a continuation byte (10xxxxxx).
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars == max_chars) return std::string(text.substr(0, i)) + "…";
    ++chars;
  }
  return std::string(text);
}

}  // namespace tabulon
