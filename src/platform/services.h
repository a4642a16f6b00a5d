#pragma once
#include <string>

namespace tabulon {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual std::string GetText() = 0;
  virtual void SetText(const std::string& text) = 0;
};

// A message box with an OK button only and no icon.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void Show(const std::string& text, const std::string& caption) = 0;
};

// Starts a program from a command line without waiting for it.
class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  virtual bool Start(const std::string& command_line) = 0;
};

}  // namespace tabulon
