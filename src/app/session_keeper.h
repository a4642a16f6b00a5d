#pragma once
#include <memory>
#include <string>
#include <vector>

#include "base/problems.h"
#include "browsing/saved_session.h"
#include "settings/background_writer.h"

namespace tabulon {

inline constexpr const char* kUncleanEndQuestion = "前回は正常に終了しませんでした。";
inline constexpr const char* kRestoreTabs = "タブを復元";
inline constexpr const char* kCloseBar = "閉じる";

// The session file: the open tabs of the running browser, in a folder of
// the user's own. One browser at a time keeps it; a second one started
// meanwhile keeps none, so the two never overwrite each other's tabs.
//
// The tabs of a run that did not end normally are kept in
// "session.previous" until the user has said what becomes of them: they
// stay offered across any number of further unclean ends, the tabs of each
// such run added to them.
class SessionKeeper {
 public:
  explicit SessionKeeper(std::string folder, Problems* problems = nullptr);
  ~SessionKeeper();
  SessionKeeper(const SessionKeeper&) = delete;
  SessionKeeper& operator=(const SessionKeeper&) = delete;

  // Takes the session for this browser and reads the last run's. False when
  // another browser has it or the folder cannot be used. A file that its
  // format calls damaged is set aside as "session.broken"; one that cannot
  // be read at all is set aside untouched as "session.unreadable", or, when
  // even that fails, left where it is and no session is kept.
  bool Claim();
  // The tabs of unclean ends the user has not yet restored or dropped.
  const std::vector<SavedTab>& Unfinished() const { return unfinished_; }
  // The tabs of the last run, however it ended.
  const std::vector<SavedTab>& LastTabs() const { return last_tabs_; }
  // The user has restored or dropped the unfinished tabs: `now`, the
  // running session (with them when restored), is written, then they are
  // no longer offered, but for `left`: restored tabs the window had no
  // room for, offered again at the next start.
  void Settle(const SavedSession& now, const std::vector<SavedTab>& left = {});

  // Writes the session on a thread of its own.
  void Save(const SavedSession& session);
  // Writes the session of a normal end before returning.
  void SaveAtEnd(SavedSession session);

  std::string FilePath() const { return folder_ + "/session"; }

 private:
  std::string PreviousPath() const { return folder_ + "/session.previous"; }
  // Reads one of our files: false when it is there but cannot be used as
  // it is, having said so and set a damaged one aside.
  bool ReadSession(const std::string& path, std::optional<SavedSession>& out);
  // Adds the tabs of a run that did not end normally to those offered;
  // false when they could not be kept on disk.
  bool KeepUnfinished(const std::vector<SavedTab>& last_run);
  void Report(const std::string& cause, const std::string& message, const std::string& detail);

  std::string folder_;
  Problems* problems_;
  int lock_fd_ = -1;
  std::vector<SavedTab> unfinished_;
  std::vector<SavedTab> last_tabs_;
  std::unique_ptr<BackgroundWriter> writer_;
};

}  // namespace tabulon
