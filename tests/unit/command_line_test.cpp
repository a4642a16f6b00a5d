#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabulon {
namespace {

using Action = CommandLineRequest::Action;
using Args = std::vector<std::string>;

TEST(CommandLine, AddressesAndToolkitOptionsAreToldApart) {
  const CommandLineRequest plain = ParseCommandLine({"example.com", "two words"});
  EXPECT_EQ(plain.action, Action::kRun);
  EXPECT_EQ(plain.address, "example.com two words");
  EXPECT_TRUE(plain.toolkit_options.empty());

  const CommandLineRequest mixed =
      ParseCommandLine({"--display", ":5", "a.example", "--class=Web", "--g-fatal-warnings"});
  EXPECT_EQ(mixed.action, Action::kRun);
  EXPECT_EQ(mixed.address, "a.example");
  EXPECT_EQ(mixed.toolkit_options, (Args{"--display", ":5", "--class=Web", "--g-fatal-warnings"}));

  // After "--" nothing is an option, not even --help.
  const CommandLineRequest dashed = ParseCommandLine({"--", "-weird-host", "--help"});
  EXPECT_EQ(dashed.action, Action::kRun);
  EXPECT_EQ(dashed.address, "-weird-host --help");
  EXPECT_FALSE(dashed.private_window);

  const CommandLineRequest in_private = ParseCommandLine({"a.example", "--private"});
  EXPECT_TRUE(in_private.private_window);
  EXPECT_EQ(in_private.address, "a.example");
}

TEST(CommandLine, HelpAndVersionWinUnknownOptionsAreErrors) {
  EXPECT_EQ(ParseCommandLine({"example.com", "--help"}).action, Action::kHelp);
  EXPECT_EQ(ParseCommandLine({"-h"}).action, Action::kHelp);
  EXPECT_EQ(ParseCommandLine({"--version"}).action, Action::kVersion);
  EXPECT_EQ(VersionLine().substr(0, 12), "Tabulon Ver ");

  for (const Args& args : {Args{"--bogus"}, Args{"-x", "a.example"}, Args{"-"}, Args{"--display"},
                           Args{"--displayx=:1"}}) {
    const CommandLineRequest request = ParseCommandLine(args);
    EXPECT_EQ(request.action, Action::kError) << args[0];
    EXPECT_NE(request.error.find(args[0]), std::string::npos) << request.error;
  }
}

}  // namespace
}  // namespace tabulon
