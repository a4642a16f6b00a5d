#pragma once
#include <memory>
#include <string>
#include <vector>

#include "browsing/saved_session.h"
#include "settings/background_writer.h"

namespace tabulon {

inline constexpr const char* kUncleanEndQuestion = "前回は正常に終了しませんでした。";
inline constexpr const char* kRestoreTabs = "タブを復元";
inline constexpr const char* kCloseBar = "閉じる";

// The session file: the open tabs of the running browser, in a folder of
// the user's own. One browser at a time keeps it; a second one started
// meanwhile keeps none, so the two never overwrite each other's tabs.
class SessionKeeper {
 public:
  explicit SessionKeeper(std::string folder);
  ~SessionKeeper();
  SessionKeeper(const SessionKeeper&) = delete;
  SessionKeeper& operator=(const SessionKeeper&) = delete;

  // Takes the session for this browser and reads the last run's. False when
  // another browser has it or the folder cannot be used. The file of a run
  // that did not end normally is kept as "session.previous" until the next
  // such run; a file that cannot be read is set aside as "session.broken".
  bool Claim();
  // The tabs of the last run when it did not end normally, else none.
  const std::vector<SavedTab>& Unfinished() const { return unfinished_; }
  // The tabs of the last run, however it ended.
  const std::vector<SavedTab>& LastTabs() const { return last_tabs_; }

  // Writes the session on a thread of its own.
  void Save(const SavedSession& session);
  // Writes the session of a normal end before returning.
  void SaveAtEnd(SavedSession session);

  std::string FilePath() const { return folder_ + "/session"; }

 private:
  std::string folder_;
  int lock_fd_ = -1;
  std::vector<SavedTab> unfinished_;
  std::vector<SavedTab> last_tabs_;
  std::unique_ptr<BackgroundWriter> writer_;
};

}  // namespace tabulon
