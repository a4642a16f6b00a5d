#include "app/session_keeper.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "settings/file_io.h"

namespace tabulon {

SessionKeeper::SessionKeeper(std::string folder) : folder_(std::move(folder)) {}

SessionKeeper::~SessionKeeper() {
  writer_.reset();  // the last write lands before the lock goes
  if (lock_fd_ >= 0) close(lock_fd_);
}

bool SessionKeeper::Claim() {
  if (folder_.empty() || lock_fd_ >= 0) return lock_fd_ >= 0;
  std::error_code ignored;
  std::filesystem::create_directories(folder_, ignored);
  const int fd = open((folder_ + "/session.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  lock_fd_ = fd;
  RemoveStaleTempFiles(folder_);
  // The addresses of a user's tabs are theirs alone.
  writer_ = std::make_unique<BackgroundWriter>(FilePath(), 0600);

  std::string bytes;
  const IoResult read = ReadWholeFile(FilePath(), bytes);
  if (!read.ok()) {
    if (read.error != ENOENT) {
      std::fprintf(stderr, "tabulon: the session file %s cannot be read (error %d)\n",
                   FilePath().c_str(), read.error);
    }
    return true;
  }
  const std::optional<SavedSession> last = DecodeSession(bytes);
  if (!last) {
    std::fprintf(stderr, "tabulon: the session file %s is damaged; kept as session.broken\n",
                 FilePath().c_str());
    std::rename(FilePath().c_str(), (folder_ + "/session.broken").c_str());
    return true;
  }
  last_tabs_ = last->tabs;
  if (!last->ended && !last->tabs.empty()) {
    unfinished_ = last->tabs;
    // Kept until the user has had the chance to restore it, even if this
    // run ends badly too.
    std::rename(FilePath().c_str(), (folder_ + "/session.previous").c_str());
  }
  return true;
}

void SessionKeeper::Save(const SavedSession& session) {
  if (writer_) writer_->Write(EncodeSession(session));
}

void SessionKeeper::SaveAtEnd(SavedSession session) {
  if (!writer_) return;
  session.ended = true;
  if (!writer_->WriteNow(EncodeSession(session))) {
    std::fprintf(stderr, "tabulon: the session file %s could not be written\n", FilePath().c_str());
  }
}

}  // namespace tabulon
