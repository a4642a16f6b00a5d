#pragma once
#include <string>
#include <vector>

namespace tabulon {

// What the browser was asked to do by its arguments.
struct CommandLineRequest {
  enum class Action { kRun, kHelp, kVersion, kError };
  Action action = Action::kRun;
  // kRun: the address to open in the first tab, the remaining arguments
  // joined by single spaces ("" opens the home page).
  std::string address;
  // kRun: the toolkit's own options (--display and the like), in their
  // order, for the toolkit to read.
  std::vector<std::string> toolkit_options;
  // kError: what was wrong, for the user.
  std::string error;
  // kRun: --private, a window that keeps nothing of its browsing.
  bool private_window = false;
};

// Reads the arguments that follow the program's name. --help (-h) and
// --version ask for texts; the toolkit's options pass through; any other
// argument that begins with '-' is an error, except after "--", from where
// everything is part of the address.
CommandLineRequest ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
std::string UsageText();

// The text --version prints, ending in a newline.
std::string VersionLine();

}  // namespace tabulon
