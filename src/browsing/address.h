#pragma once
#include <string>

namespace tabulon {

// What the browser loads for an address as the user typed or stored it:
// scheme-less text becomes an http address, an absolute path a file address.
// Script addresses load nothing (a blank page): no page, favourite or status
// text can make a fresh tab run script through its address.
std::string NormalizeAddress(const std::string& address);

// The URL box's text as meant when the input method was left in full-width
// mode: full-width ASCII letters, digits and signs (U+FF01 to U+FF5E) and the
// ideographic space become their ASCII forms.
std::string FoldFullWidth(const std::string& text);
// Whether text typed in the URL box names a place: it has a scheme, is an
// absolute path, or, with no blank in it, has a path, a dot, a port, an IPv6
// literal or is localhost. Anything else is words to search for.
bool ReadsAsAddress(const std::string& text);
// What Enter in the URL box goes to: its text, folded and trimmed, when that
// reads as an address; otherwise the search address with the text,
// percent-encoded as UTF-8, in place of its %s.
std::string UrlBoxAddress(const std::string& typed, const std::string& search_address);

// A javascript: or vbscript: address, blanks and case aside.
bool IsScriptAddress(const std::string& address);
// The script of a javascript: address typed as a bookmarklet, its %XX
// escapes decoded; "" for any other address.
std::string BookmarkletScript(const std::string& address);
// Whether a page at opener may open target in a new window: a web page may
// not bring local files or the browser's own pages in front of the user.
bool PageMayOpen(const std::string& opener, const std::string& target);
inline constexpr const char* kLocalAddressRefused =
    "このページからはローカルファイルや内部ページを開けません";
// What panel 1 says when a script address comes from anywhere but the URL box.
inline constexpr const char* kScriptAddressRefused = "javascript: のアドレスは開けません";

}  // namespace tabulon
