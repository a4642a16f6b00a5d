#pragma once
// Whether text is one well-formed JSON value (RFC 8259), strings UTF-8 as
// they come: what the engine's parser needs of the blocking rules. Shared by
// the unit tests and the converter's fuzzer.
#include <cstddef>
#include <string_view>

namespace tabulon::json_check {

class Checker {
 public:
  explicit Checker(std::string_view text) : text_(text) {}
  bool Document() {
    Space();
    if (!Value(0)) return false;
    Space();
    return at_ == text_.size();
  }

 private:
  bool Value(int depth) {
    if (depth > 64 || at_ >= text_.size()) return false;
    switch (text_[at_]) {
      case '{': return Container(depth, '}', true);
      case '[': return Container(depth, ']', false);
      case '"': return String();
      case 't': return Word("true");
      case 'f': return Word("false");
      case 'n': return Word("null");
      default: return Number();
    }
  }
  bool Container(int depth, char close, bool object) {
    ++at_;
    Space();
    if (Peek(close)) return ++at_, true;
    while (true) {
      Space();
      if (object) {
        if (!String()) return false;
        Space();
        if (!Peek(':')) return false;
        ++at_;
        Space();
      }
      if (!Value(depth + 1)) return false;
      Space();
      if (Peek(close)) return ++at_, true;
      if (!Peek(',')) return false;
      ++at_;
    }
  }
  bool String() {
    if (!Peek('"')) return false;
    for (++at_; at_ < text_.size(); ++at_) {
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') return ++at_, true;
      if (c < 0x20) return false;
      if (c != '\\') continue;
      if (++at_ >= text_.size()) return false;
      const char e = text_[at_];
      if (e == 'u') {
        for (int i = 0; i < 4; ++i) {
          if (++at_ >= text_.size() || !IsHex(text_[at_])) return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
        return false;
      }
    }
    return false;
  }
  bool Number() {
    const std::size_t start = at_;
    if (Peek('-')) ++at_;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    return at_ > start && text_[at_ - 1] != '-';
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  void Space() {
    while (at_ < text_.size() &&
           std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) {
      ++at_;
    }
  }
  bool Peek(char c) const { return at_ < text_.size() && text_[at_] == c; }
  static bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }
  std::string_view text_;
  std::size_t at_ = 0;
};

inline bool IsJson(std::string_view text) { return Checker(text).Document(); }

}  // namespace tabulon::json_check
