#pragma once
#include <optional>
#include <string>

namespace tabulon {

// What a later start of the browser asks of the one that owns the profile.
struct HandOver {
  // The address to open in a new tab; "" only presents the window.
  std::string address;
  // The launcher's startup notification id, so that the window manager lets
  // the window come to the front.
  std::string startup_id;
};

// Encoded for the wire and back; Decode refuses anything not made by Encode.
std::string EncodeHandOver(const HandOver& request);
std::optional<HandOver> DecodeHandOver(const std::string& bytes);

// One browser per profile. The first process to start on a profile (its
// data folder) owns it for as long as it runs: it holds a lock on a file in
// the folder and listens on a socket there. A later start on the same
// profile sends its command line over that socket and ends; the owner opens
// it. The lock goes with the process that held it, so an owner that died
// never blocks a new start, and two profiles never meet.
class ProfileOwner {
 public:
  explicit ProfileOwner(std::string folder);
  ~ProfileOwner();
  ProfileOwner(const ProfileOwner&) = delete;
  ProfileOwner& operator=(const ProfileOwner&) = delete;

  enum class Outcome {
    kOwner,       // this process owns the profile and listens
    kHandedOver,  // the owner took the request; this process is done
    kNoAnswer,    // another process owns it but did not take the request
    kUnavailable  // the folder cannot be used; run without an owner
  };
  // Takes the profile, or hands the request to its owner and waits up to
  // timeout_ms for the owner to take it.
  Outcome ClaimOrHandOver(const HandOver& request, int timeout_ms);

  // The owner's listening socket, for the main loop to watch; -1 otherwise.
  int ListenFd() const { return listen_fd_; }
  // Reads one waiting request and tells its sender it was taken. Nothing
  // when the connection was not a whole request from this user.
  std::optional<HandOver> Accept();

 private:
  bool Listen();
  Outcome SendToOwner(const std::string& bytes, int timeout_ms);

  std::string folder_;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
};

}  // namespace tabulon
