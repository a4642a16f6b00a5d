#pragma once
#include <span>
#include <string>

#include "settings/settings_store.h"

namespace tabulon {

// The browser's Internet settings, kept in the per-user settings store under
// the application `Tabulon`, group "Internet". The browser reads them each
// time it needs one; the options program writes them.
inline constexpr const char* kInternetSection = "Internet";
inline constexpr const char* kHomePageKey = "HomePage";
inline constexpr const char* kSearchAddressKey = "SearchAddress";
inline constexpr const char* kDefaultEncodingKey = "DefaultEncoding";
inline constexpr const char* kRestoreTabsKey = "RestoreTabs";
// Minutes a tab may stay out of sight before its page is discarded; 0:
// never for time alone.
inline constexpr const char* kDiscardMinutesKey = "DiscardAfterMinutes";
inline constexpr int kDefaultDiscardMinutes = 30;
inline constexpr int kMaxDiscardMinutes = 7 * 24 * 60;
inline constexpr const char* kTrackingProtectionKey = "TrackingProtection";

// Where the query goes in a search address.
inline constexpr const char* kQueryPlaceholder = "%s";
inline constexpr const char* kDefaultSearchAddress = "https://duckduckgo.com/?q=%s";

// A text encoding the engine can decode, by the name it knows it by, with
// the name people know it by.
struct EncodingChoice {
  const char* name;
  const char* label;
};

// The encodings a page without a declared one may be read in. The empty name
// stands first and leaves the choice to the engine.
std::span<const EncodingChoice> EncodingChoices();

struct InternetSettings {
  std::string home_page;
  std::string search_address;
  std::string default_encoding;  // "" leaves it to the engine
  bool restore_tabs = false;     // start with the last run's tabs after the first
  // Other sites' cookies refused and tracking prevented; followed from the
  // next page that starts to load.
  bool tracking_protection = true;
  int discard_minutes = kDefaultDiscardMinutes;
};

enum class AddressProblem {
  kNone,
  kNotAnAddress,     // not an http, https, file or built-in page address
  kNoPlaceholder,    // a search address without %s
  kTwoPlaceholders,  // a search address with %s more than once
};

// A home page: an http, https or file address, or one of the built-in pages.
AddressProblem CheckHomePage(const std::string& address);
// A search address: an http or https address with exactly one %s.
AddressProblem CheckSearchAddress(const std::string& address);
// The list's spelling of an encoding name (matched regardless of ASCII
// case), or nothing when the list does not have it. "" is the engine's choice.
bool CanonicalEncoding(const std::string& name, std::string& canonical);

// Each setting as stored, or its default when missing or not valid (a value
// edited by hand into something unusable is not followed).
std::string ReadHomePage(SettingsStore& store);
std::string ReadSearchAddress(SettingsStore& store);
std::string ReadDefaultEncoding(SettingsStore& store);
bool ReadRestoreTabs(SettingsStore& store);
bool ReadTrackingProtection(SettingsStore& store);
int ReadDiscardMinutes(SettingsStore& store);
InternetSettings ReadInternetSettings(SettingsStore& store);

// Writes the five settings and nothing else of the store. The caller checks
// the values first; values that do not pass their checks are not written
// (EINVAL). Otherwise says whether the store took them, and if not, why.
IoResult SaveInternetSettings(SettingsStore& store, const InternetSettings& settings);

}  // namespace tabulon
