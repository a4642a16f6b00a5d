#pragma once
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace tabulon {

// The one voice for problems that lose, or stop keeping, something of the
// user's: tabs not saved, history not written, a file set aside, blocking
// off. Every report goes to standard error; the window's message bar shows
// each cause once a run. Reports may come from any thread.
class Problems {
 public:
  // Runs a task on the window's thread; given once by the composition root
  // (the window's main loop). Without one, tasks run at once.
  using Post = std::function<void(std::function<void()>)>;
  // Shows a message in the window's bar; called on the window's thread.
  using Show = std::function<void(const std::string& message)>;

  Problems() = default;
  Problems(const Problems&) = delete;
  Problems& operator=(const Problems&) = delete;

  void SetPost(Post post);
  // Where messages go from now on; those reported before it are shown then.
  void SetWindow(Show show);

  // `cause` names the kind of problem (one bar message a run for each);
  // `message` is the user's Japanese sentence; `detail` (a path, the
  // library's own words) goes to standard error only.
  void Report(const std::string& cause, const std::string& message, const std::string& detail = "");

  // The causes reported so far, for tests.
  std::vector<std::string> Causes() const;

 private:
  void Deliver(const std::string& message);

  mutable std::mutex mutex_;
  Post post_;
  Show show_;
  std::set<std::string> causes_;
  std::vector<std::string> waiting_;  // reported before there was a window
};

}  // namespace tabulon
