#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

// A tab as it can be opened again: its address, the title on its label and
// its back/forward list (bytes only the browser control reads; "" for none).
struct SavedTab {
  std::string address;
  std::string title;
  std::string history;
};

// The browser's open tabs as the session file keeps them.
struct SavedSession {
  std::vector<SavedTab> tabs;
  int current = 0;     // the position of the current tab, 0 with none
  bool ended = false;  // written by a browser that quit normally
};

// The file's bytes. Every field is base64, so titles and histories with any
// bytes in them keep the line structure; the last line marks a whole file.
std::string EncodeSession(const SavedSession& session);

// The session in bytes EncodeSession wrote, or nothing for bytes that are
// truncated, corrupt or from a newer version of the file.
std::optional<SavedSession> DecodeSession(std::string_view bytes);

}  // namespace tabulon
