#include "base/problems.h"

#include <cstdio>
#include <utility>

namespace tabulon {

void Problems::SetPost(Post post) {
  std::lock_guard<std::mutex> lock(mutex_);
  post_ = std::move(post);
}

void Problems::SetWindow(Show show) {
  std::vector<std::string> waiting;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    show_ = std::move(show);
    waiting.swap(waiting_);
  }
  for (const std::string& message : waiting) Deliver(message);
}

void Problems::Report(const std::string& cause, const std::string& message,
                      const std::string& detail) {
  if (detail.empty()) {
    std::fprintf(stderr, "tabulon: %s\n", message.c_str());
  } else {
    std::fprintf(stderr, "tabulon: %s（%s）\n", message.c_str(), detail.c_str());
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!causes_.insert(cause).second) return;
    if (!show_) {
      waiting_.push_back(message);
      return;
    }
  }
  Deliver(message);
}

std::vector<std::string> Problems::Causes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {causes_.begin(), causes_.end()};
}

void Problems::Deliver(const std::string& message) {
  Post post;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    post = post_;
  }
  auto show = [this, message] {
    Show show;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      show = show_;
    }
    if (show) show(message);
  };
  if (post) {
    post(std::move(show));
  } else {
    show();
  }
}

}  // namespace tabulon
