#include "history/history_match.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

std::size_t MatchTexts::Add(std::string_view text, const void* owner) {
  starts_.push_back(buffer_.size());
  owners_.push_back(owner);
  buffer_.append(text);
  for (const char c : text) ++byte_counts_[static_cast<unsigned char>(c)];
  return starts_.size() - 1;
}

void MatchTexts::Drop(std::size_t slot) {
  if (slot >= owners_.size() || !owners_[slot]) return;
  owners_[slot] = nullptr;
  dropped_bytes_ += Text(slot).size();
}

std::string_view MatchTexts::Text(std::size_t slot) const {
  if (slot >= starts_.size()) return {};
  const std::size_t end = slot + 1 < starts_.size() ? starts_[slot + 1] : buffer_.size();
  return std::string_view(buffer_).substr(starts_[slot], end - starts_[slot]);
}

void MatchTexts::Clear() {
  buffer_.clear();
  starts_.clear();
  owners_.clear();
  dropped_bytes_ = 0;
  std::fill(std::begin(byte_counts_), std::end(byte_counts_), 0);
}

bool MatchTexts::MostlyDropped() const {
  return dropped_bytes_ > (1u << 20) && dropped_bytes_ * 2 > buffer_.size();
}

void MatchTexts::Scan(const HistoryQuery& query, void (*call)(const void*, void*),
                      void* context) const {
  const std::vector<std::string>& words = query.Words();
  if (words.empty()) {
    for (const void* owner : owners_) {
      if (owner) call(owner, context);
    }
    return;
  }
  // The longest word is looked for in the whole buffer, by its rarest byte;
  // the others only in the texts it is found in.
  const std::string& word = *std::max_element(
      words.begin(), words.end(),
      [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  std::size_t anchor = 0;
  for (std::size_t i = 1; i < word.size(); ++i) {
    if (byte_counts_[static_cast<unsigned char>(word[i])] <
        byte_counts_[static_cast<unsigned char>(word[anchor])]) {
      anchor = i;
    }
  }
  const char* const base = buffer_.data();
  const std::size_t size = buffer_.size();
  std::size_t slot = 0;
  std::size_t pos = anchor;
  while (pos < size) {
    const void* hit = std::memchr(base + pos, word[anchor], size - pos);
    if (!hit) break;
    const std::size_t start =
        static_cast<std::size_t>(static_cast<const char*>(hit) - base) - anchor;
    // Hits only move on, and so does the text they fall in.
    while (slot + 1 < starts_.size() && starts_[slot + 1] <= start) ++slot;
    const std::size_t end = slot + 1 < starts_.size() ? starts_[slot + 1] : size;
    if (!owners_[slot]) {
      pos = end + anchor;
      continue;
    }
    if (start + word.size() <= end && std::memcmp(base + start, word.data(), word.size()) == 0) {
      const std::string_view text = Text(slot);
      if (query.Matches(text)) call(owners_[slot], context);
      pos = end + anchor;
      continue;
    }
    pos = start + anchor + 1;
  }
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
