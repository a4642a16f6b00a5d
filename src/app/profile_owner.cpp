#include "app/profile_owner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

namespace tabulon {
namespace {

constexpr const char* kMagic = "tabulon-hand-over 1\n";
constexpr const char* kTaken = "ok\n";
// A command line is short; anything longer is not one of ours.
constexpr std::size_t kMaxRequestBytes = 64 * 1024;
// How long the owner waits for a sender that connected to finish writing.
constexpr int kReadTimeoutMs = 1000;

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

void MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0700);
    if (slash == std::string::npos) return;
  }
}

// The socket beside the lock; a folder too deep for a socket's path gets a
// name in the abstract namespace made from the folder's, checked by the
// peer's user as every connection is.
sockaddr_un SocketAddress(const std::string& folder, socklen_t& length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = folder + "/browser.socket";
  if (path.size() < sizeof address.sun_path) {
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    return address;
  }
  std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (const unsigned char c : folder) hash = (hash ^ c) * 1099511628211ull;
  char name[64];
  const int size = std::snprintf(name, sizeof name, "tabulon-%u-%016llx", unsigned(geteuid()),
                                 static_cast<unsigned long long>(hash));
  std::memcpy(address.sun_path + 1, name, static_cast<std::size_t>(size));
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
  return address;
}

bool SameUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}

// Reads until the peer has finished writing, the limit, or the deadline.
bool ReadAll(int fd, std::string& out, std::size_t limit, Clock::time_point deadline) {
  char buffer[4096];
  for (;;) {
    pollfd waiting{fd, POLLIN, 0};
    const int ready = poll(&waiting, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    out.append(buffer, static_cast<std::size_t>(got));
    if (out.size() > limit) return false;
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

}  // namespace

std::string EncodeHandOver(const HandOver& request) {
  std::string bytes = kMagic;
  bytes += request.address;
  bytes += '\0';
  bytes += request.startup_id;
  bytes += '\0';
  return bytes;
}

std::optional<HandOver> DecodeHandOver(const std::string& bytes) {
  const std::string magic = kMagic;
  if (bytes.compare(0, magic.size(), magic) != 0) return std::nullopt;
  const std::size_t first = bytes.find('\0', magic.size());
  if (first == std::string::npos) return std::nullopt;
  const std::size_t second = bytes.find('\0', first + 1);
  if (second == std::string::npos || second + 1 != bytes.size()) return std::nullopt;
  return HandOver{bytes.substr(magic.size(), first - magic.size()),
                  bytes.substr(first + 1, second - first - 1)};
}

ProfileOwner::ProfileOwner(std::string folder) : folder_(std::move(folder)) {}

ProfileOwner::~ProfileOwner() {
  if (listen_fd_ >= 0) close(listen_fd_);
  // The socket stays: the next owner replaces it, and removing it here
  // could remove a successor's.
  if (lock_fd_ >= 0) close(lock_fd_);
}

ProfileOwner::Outcome ProfileOwner::ClaimOrHandOver(const HandOver& request, int timeout_ms) {
  if (folder_.empty()) return Outcome::kUnavailable;
  if (lock_fd_ >= 0) return Outcome::kOwner;
  MakeFolders(folder_);
  lock_fd_ = open((folder_ + "/browser.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd_ < 0) return Outcome::kUnavailable;
  const std::string bytes = EncodeHandOver(request);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    // Whoever holds the lock owns the profile; it goes with its process.
    if (flock(lock_fd_, LOCK_EX | LOCK_NB) == 0) {
      Listen();
      return Outcome::kOwner;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      close(lock_fd_);
      lock_fd_ = -1;
      return Outcome::kUnavailable;
    }
    const Outcome sent = SendToOwner(bytes, MillisecondsLeft(deadline));
    if (sent == Outcome::kHandedOver) {
      close(lock_fd_);
      lock_fd_ = -1;
      return sent;
    }
    // An owner between taking the lock and listening, or one that has just
    // ended: ask again shortly.
    if (MillisecondsLeft(deadline) == 0) {
      close(lock_fd_);
      lock_fd_ = -1;
      return Outcome::kNoAnswer;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool ProfileOwner::Listen() {
  socklen_t length = 0;
  const sockaddr_un address = SocketAddress(folder_, length);
  // A socket left by an owner that died; the lock says none is running.
  if (address.sun_path[0] != '\0') unlink(address.sun_path);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return false;
  }
  if (address.sun_path[0] != '\0') chmod(address.sun_path, 0600);
  listen_fd_ = fd;
  return true;
}

ProfileOwner::Outcome ProfileOwner::SendToOwner(const std::string& bytes, int timeout_ms) {
  socklen_t length = 0;
  const sockaddr_un address = SocketAddress(folder_, length);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Outcome::kNoAnswer;
  std::string answer;
  const bool taken =
      connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 && SameUser(fd) &&
      WriteAll(fd, bytes) && shutdown(fd, SHUT_WR) == 0 &&
      ReadAll(fd, answer, 16, Clock::now() + std::chrono::milliseconds(timeout_ms)) &&
      answer == kTaken;
  close(fd);
  return taken ? Outcome::kHandedOver : Outcome::kNoAnswer;
}

std::optional<HandOver> ProfileOwner::Accept() {
  if (listen_fd_ < 0) return std::nullopt;
  const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<HandOver> request;
  std::string bytes;
  if (SameUser(fd) && ReadAll(fd, bytes, kMaxRequestBytes,
                              Clock::now() + std::chrono::milliseconds(kReadTimeoutMs))) {
    request = DecodeHandOver(bytes);
    if (request) WriteAll(fd, kTaken);
  }
  close(fd);
  return request;
}

}  // namespace tabulon
