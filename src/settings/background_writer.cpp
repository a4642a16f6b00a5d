#include "settings/background_writer.h"

#include <utility>

#include "settings/file_io.h"

namespace tabulon {

BackgroundWriter::BackgroundWriter(std::string path, unsigned new_file_mode)
    : path_(std::move(path)), new_file_mode_(new_file_mode) {}

BackgroundWriter::~BackgroundWriter() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void BackgroundWriter::Write(std::string bytes) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    pending_ = std::move(bytes);
    pending_sequence_ = next_sequence_++;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

bool BackgroundWriter::WriteNow(std::string bytes) {
  std::uint64_t sequence = 0;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    pending_.reset();
    sequence = next_sequence_++;
  }
  return WriteIfNewer(bytes, sequence);
}

void BackgroundWriter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return pending_.has_value() || stopping_; });
    if (!pending_) return;  // stopping, nothing left
    std::string bytes = std::move(*pending_);
    const std::uint64_t sequence = pending_sequence_;
    pending_.reset();
    lock.unlock();
    WriteIfNewer(bytes, sequence);
    lock.lock();
  }
}

bool BackgroundWriter::WriteIfNewer(const std::string& bytes, std::uint64_t sequence) {
  const std::lock_guard<std::mutex> lock(file_mutex_);
  if (sequence < written_sequence_) return true;  // newer bytes are already there
  written_sequence_ = sequence;
  const IoResult written = WriteFileAtomically(path_, bytes, new_file_mode_);
  if (!written.ok() && failed_) failed_(written.error);
  return written.ok();
}

}  // namespace tabulon
