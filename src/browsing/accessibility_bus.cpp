#include "browsing/accessibility_bus.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

namespace tabulon {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Connects to a local stream socket by path, or in the abstract namespace.
bool Connects(const std::string& name, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t offset = abstract ? 1 : 0;
  if (name.empty() || name.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, name.data(), name.size());
  // A path counts its closing zero; an abstract name counts its leading one.
  const socklen_t length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;  // cannot tell; do not take accessibility away for it
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
  close(fd);
  return connected;
}

}  // namespace

std::string DBusAddressValue(const std::string& entry, const std::string& key) {
  const std::size_t colon = entry.find(':');
  if (colon == std::string::npos) return "";
  std::size_t start = colon + 1;
  while (start < entry.size()) {
    std::size_t end = entry.find(',', start);
    if (end == std::string::npos) end = entry.size();
    const std::string pair = entry.substr(start, end - start);
    const std::size_t equals = pair.find('=');
    if (equals != std::string::npos && pair.compare(0, equals, key) == 0) {
      std::string value;
      for (std::size_t i = equals + 1; i < pair.size(); ++i) {
        if (pair[i] == '%' && i + 2 < pair.size() && HexDigit(pair[i + 1]) >= 0 &&
            HexDigit(pair[i + 2]) >= 0) {
          value += static_cast<char>(HexDigit(pair[i + 1]) * 16 + HexDigit(pair[i + 2]));
          i += 2;
        } else {
          value += pair[i];
        }
      }
      return value;
    }
    start = end + 1;
  }
  return "";
}

bool AccessibilityBusIsStale(const std::string& address) {
  bool tested = false;
  std::size_t start = 0;
  while (start < address.size()) {
    std::size_t end = address.find(';', start);
    if (end == std::string::npos) end = address.size();
    const std::string entry = address.substr(start, end - start);
    start = end + 1;
    if (entry.rfind("unix:", 0) != 0) {
      if (!entry.empty()) return false;  // another transport: cannot tell
      continue;
    }
    const std::string path = DBusAddressValue(entry, "path");
    const std::string abstract = DBusAddressValue(entry, "abstract");
    if (path.empty() && abstract.empty()) return false;
    tested = true;
    if (Connects(path.empty() ? abstract : path, path.empty())) return false;
  }
  return tested;
}

}  // namespace tabulon
