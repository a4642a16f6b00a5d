#pragma once
#include <string>

namespace tabulon {

// The page a tab shows when its page stopped again right after a reload.
inline constexpr const char* kCrashUrl = "tabulon://crashed/";

// The address of the crash page for a page at url.
std::string CrashPageAddress(const std::string& url);
// The crash page for its own address: it names the page and links to it.
std::string CrashPageHtml(const std::string& crash_address);

// Percent-encoding of every byte but unreserved ones, and its inverse.
std::string PercentEncode(const std::string& text);
std::string PercentDecode(const std::string& text);

}  // namespace tabulon

namespace tabulon {

// The page shown instead of one whose certificate the engine refused: the
// page itself is never fetched, and the user learns why.
std::string CertificateErrorPageHtml(const std::string& url);

}  // namespace tabulon

namespace tabulon {

// Why a page could not be loaded, as far as the user can act on it.
enum class LoadFailure { kHostNotFound, kConnectionRefused, kTimedOut, kFileNotFound, kOther };

// The page shown in place of one that could not be loaded: the address, the
// reason and a link to try again. The tab keeps the address, so the URL box
// still shows what was typed.
std::string LoadErrorPageHtml(const std::string& url, LoadFailure why);

// The page shown in place of one the user stopped because it no longer
// answered: the tab keeps the address, and a link loads it again.
std::string StoppedPageHtml(const std::string& url);

}  // namespace tabulon
