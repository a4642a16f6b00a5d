#include "browsing/internet_settings.h"

#include <array>
#include <cctype>
#include <cerrno>

#include "base/val.h"
#include "browsing/start_page.h"

namespace tabulon {

namespace {

constexpr const char* kApp = kAppTitle;

// Names as WebKit's text decoders spell them; each is one the engine decodes.
constexpr std::array<EncodingChoice, 15> kEncodings{{
    {"", "自動 (ブラウザーの既定)"},
    {"UTF-8", "Unicode (UTF-8)"},
    {"Shift_JIS", "日本語 (Shift_JIS)"},
    {"EUC-JP", "日本語 (EUC-JP)"},
    {"ISO-2022-JP", "日本語 (ISO-2022-JP)"},
    {"windows-1252", "西ヨーロッパ言語 (Windows-1252)"},
    {"ISO-8859-1", "西ヨーロッパ言語 (ISO-8859-1)"},
    {"ISO-8859-15", "西ヨーロッパ言語 (ISO-8859-15)"},
    {"windows-1251", "キリル言語 (Windows-1251)"},
    {"KOI8-R", "キリル言語 (KOI8-R)"},
    {"windows-1250", "中央ヨーロッパ言語 (Windows-1250)"},
    {"GBK", "簡体字中国語 (GBK)"},
    {"gb18030", "簡体字中国語 (GB18030)"},
    {"Big5", "繁体字中国語 (Big5)"},
    {"EUC-KR", "韓国語 (EUC-KR)"},
}};

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

// Control characters never belong inside a stored address; the settings
// file would turn line breaks into spaces anyway.
bool HasControl(const std::string& text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

// A web address with a host: something after "//" that is not a path. A
// space cannot stand in one (a file name may have one).
bool IsWebAddress(const std::string& address) {
  if (address.find(' ') != std::string::npos) return false;
  for (const char* scheme : {"http://", "https://"}) {
    const std::string prefix = scheme;
    if (StartsWithNoCase(address, prefix)) {
      return address.size() > prefix.size() && address[prefix.size()] != '/' &&
             address[prefix.size()] != '?' && address[prefix.size()] != '#';
    }
  }
  return false;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

}  // namespace

std::span<const EncodingChoice> EncodingChoices() { return kEncodings; }

AddressProblem CheckHomePage(const std::string& address) {
  if (HasControl(address)) return AddressProblem::kNotAnAddress;
  if (IsWebAddress(address)) return AddressProblem::kNone;
  if (StartsWithNoCase(address, "file:///") && address.size() > 8) return AddressProblem::kNone;
  if (StartsWithNoCase(address, kHomeUrl) || StartsWithNoCase(address, kSearchUrl)) {
    return AddressProblem::kNone;
  }
  return AddressProblem::kNotAnAddress;
}

AddressProblem CheckSearchAddress(const std::string& address) {
  if (HasControl(address) || !IsWebAddress(address)) return AddressProblem::kNotAnAddress;
  switch (Count(address, kQueryPlaceholder)) {
    case 0: return AddressProblem::kNoPlaceholder;
    case 1: return AddressProblem::kNone;
    default: return AddressProblem::kTwoPlaceholders;
  }
}

bool CanonicalEncoding(const std::string& name, std::string& canonical) {
  for (const EncodingChoice& choice : kEncodings) {
    if (EqualNoCase(name, choice.name)) {
      canonical = choice.name;
      return true;
    }
  }
  return false;
}

std::string ReadHomePage(SettingsStore& store) {
  std::string value = TrimBlanks(store.GetSetting(kApp, kInternetSection, kHomePageKey, ""));
  return CheckHomePage(value) == AddressProblem::kNone ? value : kHomeUrl;
}

std::string ReadSearchAddress(SettingsStore& store) {
  std::string value = TrimBlanks(store.GetSetting(kApp, kInternetSection, kSearchAddressKey, ""));
  return CheckSearchAddress(value) == AddressProblem::kNone ? value : kDefaultSearchAddress;
}

std::string ReadDefaultEncoding(SettingsStore& store) {
  std::string canonical;
  const std::string value =
      TrimBlanks(store.GetSetting(kApp, kInternetSection, kDefaultEncodingKey, ""));
  return CanonicalEncoding(value, canonical) ? canonical : "";
}

bool ReadRestoreTabs(SettingsStore& store) {
  return TrimBlanks(store.GetSetting(kApp, kInternetSection, kRestoreTabsKey, "0")) == "1";
}

bool ReadTrackingProtection(SettingsStore& store) {
  return TrimBlanks(store.GetSetting(kApp, kInternetSection, kTrackingProtectionKey, "1")) != "0";
}

int ReadDiscardMinutes(SettingsStore& store) {
  const std::string text =
      TrimBlanks(store.GetSetting(kApp, kInternetSection, kDiscardMinutesKey, ""));
  if (text.empty() || text.size() > 6 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return kDefaultDiscardMinutes;
  }
  const int minutes = std::stoi(text);
  return minutes <= kMaxDiscardMinutes ? minutes : kDefaultDiscardMinutes;
}

InternetSettings ReadInternetSettings(SettingsStore& store) {
  return {ReadHomePage(store),    ReadSearchAddress(store),      ReadDefaultEncoding(store),
          ReadRestoreTabs(store), ReadTrackingProtection(store), ReadDiscardMinutes(store)};
}

IoResult SaveInternetSettings(SettingsStore& store, const InternetSettings& settings) {
  std::string encoding;
  if (CheckHomePage(settings.home_page) != AddressProblem::kNone ||
      CheckSearchAddress(settings.search_address) != AddressProblem::kNone ||
      !CanonicalEncoding(settings.default_encoding, encoding) || settings.discard_minutes < 0 ||
      settings.discard_minutes > kMaxDiscardMinutes) {
    return {EINVAL};
  }
  // One key at a time: each save re-reads the file and replaces it whole, so
  // whatever the browser wrote in between (its window placement) stays. The
  // first that fails ends it.
  IoResult saved = store.SaveSetting(kApp, kInternetSection, kHomePageKey, settings.home_page);
  if (saved.ok()) {
    saved = store.SaveSetting(kApp, kInternetSection, kSearchAddressKey, settings.search_address);
  }
  if (saved.ok()) saved = store.SaveSetting(kApp, kInternetSection, kDefaultEncodingKey, encoding);
  if (saved.ok()) {
    saved = store.SaveSetting(kApp, kInternetSection, kRestoreTabsKey,
                              settings.restore_tabs ? "1" : "0");
  }
  if (saved.ok()) {
    saved = store.SaveSetting(kApp, kInternetSection, kTrackingProtectionKey,
                              settings.tracking_protection ? "1" : "0");
  }
  if (saved.ok()) {
    saved = store.SaveSetting(kApp, kInternetSection, kDiscardMinutesKey,
                              std::to_string(settings.discard_minutes));
  }
  return saved;
}

}  // namespace tabulon
