#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tabulon {

// Replaces one file's contents atomically on a thread of its own, so that
// the flush to disk never holds up the window. Writes asked for while one
// is running are coalesced: only the newest bytes are written, and a file
// never goes back to older bytes than it already holds.
class BackgroundWriter {
 public:
  // A file made anew gets new_file_mode (less the umask).
  explicit BackgroundWriter(std::string path, unsigned new_file_mode = 0644);
  // Finishes the write in progress and the one waiting.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Told the error of every write that fails, on the writing thread. Given
  // before the first write.
  void SetFailed(std::function<void(int error)> failed) { failed_ = std::move(failed); }

  // Queues the bytes and returns at once.
  void Write(std::string bytes);
  // Writes the bytes before returning, in place of anything queued; false
  // when the file could not be written.
  bool WriteNow(std::string bytes);

 private:
  void Run();
  bool WriteIfNewer(const std::string& bytes, std::uint64_t sequence);

  const std::string path_;
  const unsigned new_file_mode_;
  std::function<void(int)> failed_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<std::string> pending_;
  std::uint64_t pending_sequence_ = 0;
  std::uint64_t next_sequence_ = 1;
  bool stopping_ = false;
  std::mutex file_mutex_;  // one write of the file at a time
  std::uint64_t written_sequence_ = 0;
  std::thread thread_;
};

}  // namespace tabulon
