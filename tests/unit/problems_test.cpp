#include "base/problems.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tabulon {
namespace {

TEST(ReportingProblems, EachCauseReachesTheBarOnceAndEarlyOnesWaitForTheWindow) {
  Problems problems;
  std::vector<std::function<void()>> posted;
  problems.SetPost([&posted](std::function<void()> task) { posted.push_back(std::move(task)); });
  problems.Report("history", "履歴を保存できません。", "/x/history.sqlite");
  problems.Report("history", "履歴を保存できません。");

  std::vector<std::string> shown;
  problems.SetWindow([&shown](const std::string& message) { shown.push_back(message); });
  problems.Report("session", "開いているタブを保存できません。");
  problems.Report("session", "開いているタブを保存できません。");
  EXPECT_TRUE(shown.empty()) << "shown only from the window's own thread";
  for (auto& task : posted) task();
  EXPECT_EQ(shown, (std::vector<std::string>{"履歴を保存できません。",
                                             "開いているタブを保存できません。"}));
  EXPECT_EQ(problems.Causes(), (std::vector<std::string>{"history", "session"}));
}

}  // namespace
}  // namespace tabulon
