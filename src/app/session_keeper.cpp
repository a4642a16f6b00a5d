#include "app/session_keeper.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "settings/file_io.h"

namespace tabulon {
namespace {

// A name beside `path` that nothing has yet, so that nothing set aside
// earlier is ever replaced.
std::string FreeName(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return path;
  for (int n = 1; n < 1000; ++n) {
    const std::string candidate = path + "." + std::to_string(n);
    if (lstat(candidate.c_str(), &info) != 0) return candidate;
  }
  return "";
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

SessionKeeper::SessionKeeper(std::string folder, Problems* problems)
    : folder_(std::move(folder)), problems_(problems) {}

SessionKeeper::~SessionKeeper() {
  writer_.reset();  // the last write lands before the lock goes
  if (lock_fd_ >= 0) close(lock_fd_);
}

void SessionKeeper::Report(const std::string& cause, const std::string& message,
                           const std::string& detail) {
  if (problems_) {
    problems_->Report(cause, message, detail);
  } else {
    std::fprintf(stderr, "tabulon: %s（%s）\n", message.c_str(), detail.c_str());
  }
}

bool SessionKeeper::ReadSession(const std::string& path, std::optional<SavedSession>& out) {
  std::string bytes;
  const IoResult read = ReadWholeFile(path, bytes);
  if (read.error == ENOENT) return true;
  if (read.ok()) {
    out = DecodeSession(bytes);
    if (out) return true;
    const std::string aside = FreeName(path + ".broken");
    if (!aside.empty() && std::rename(path.c_str(), aside.c_str()) == 0) {
      Report("session-set-aside",
             "前回のタブのファイルが壊れていたため、" + BaseName(aside) + " として残しました。",
             path);
      return true;
    }
  } else {
    // Too large, not ours to read, or a failing disk: nothing says it is
    // damaged, so it is kept as it is, under another name.
    const std::string aside = FreeName(path + ".unreadable");
    if (!aside.empty() && std::rename(path.c_str(), aside.c_str()) == 0) {
      Report("session-set-aside",
             "前回のタブのファイルを読めないため、そのまま " + BaseName(aside) +
                 " として残しました" + InBrackets(ReadFailureReason(read.error)) + "。",
             path);
      return true;
    }
  }
  Report("tabs-not-saved", "開いているタブを保存できません（前回のタブのファイルを読めません）。",
         path);
  return false;
}

bool SessionKeeper::KeepUnfinished(const std::vector<SavedTab>& last_run) {
  std::vector<SavedTab> merged = unfinished_;
  bool added = false;
  for (const SavedTab& tab : last_run) {
    if (tab.address.empty()) continue;
    // A run killed before it wrote its own session leaves the one before
    // it in place: its tabs are offered once, not once a start.
    bool known = false;
    for (const SavedTab& kept : merged) known = known || kept.address == tab.address;
    if (known) continue;
    merged.push_back(tab);
    added = true;
  }
  unfinished_ = merged;
  if (!added) return true;
  SavedSession pending;
  pending.tabs = std::move(merged);
  const IoResult written = WriteFileAtomically(PreviousPath(), EncodeSession(pending), 0600);
  if (written.ok()) return true;
  Report("tabs-not-saved",
         "開いているタブを保存できません" + InBrackets(WriteFailureReason(written.error)) + "。",
         PreviousPath());
  return false;
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

  std::optional<SavedSession> last;
  std::optional<SavedSession> previous;
  // Whatever cannot be read stays where it is, and so nothing may be
  // written over it.
  bool keep = ReadSession(FilePath(), last);
  keep = ReadSession(PreviousPath(), previous) && keep;
  if (previous) unfinished_ = previous->tabs;
  if (last) {
    last_tabs_ = last->tabs;
    if (!last->ended && keep) keep = KeepUnfinished(last->tabs);
  }
  if (!keep) return true;
  // The addresses of a user's tabs are theirs alone.
  writer_ = std::make_unique<BackgroundWriter>(FilePath(), 0600);
  auto told = std::make_shared<std::atomic<bool>>(false);
  writer_->SetFailed([this, told](int error) {
    if (told->exchange(true)) return;
    Report("tabs-not-saved",
           "開いているタブを保存できません" + InBrackets(WriteFailureReason(error)) + "。",
           FilePath());
  });
  return true;
}

void SessionKeeper::Settle(const SavedSession& now, const std::vector<SavedTab>& left) {
  if (unfinished_.empty() && !std::filesystem::exists(PreviousPath())) return;
  // The running session first: a crash in between offers the tabs again
  // rather than losing them.
  if (!writer_ || !writer_->WriteNow(EncodeSession(now))) return;
  if (!left.empty()) {
    SavedSession pending;
    pending.tabs = left;
    if (WriteFileAtomically(PreviousPath(), EncodeSession(pending), 0600).ok()) unfinished_ = left;
    return;
  }
  if (std::remove(PreviousPath().c_str()) == 0 || errno == ENOENT) unfinished_.clear();
}

void SessionKeeper::Save(const SavedSession& session) {
  if (writer_) writer_->Write(EncodeSession(session));
}

void SessionKeeper::SaveAtEnd(SavedSession session) {
  if (!writer_) return;
  session.ended = true;
  writer_->WriteNow(EncodeSession(session));  // a failure is reported by the writer
}

}  // namespace tabulon
