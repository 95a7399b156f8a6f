#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_form_layout.h"

namespace zelmora {
namespace {

CommandLine Parse(std::vector<std::string> arguments) { return ParseCommandLine(arguments); }

TEST(CommandLine, StartOptionsInAnyOrder) {
  const CommandLine none = Parse({});
  EXPECT_EQ(none.action, CommandLine::Action::Run);
  EXPECT_FALSE(none.options.minimized);
  EXPECT_FALSE(none.options.start);

  const CommandLine both = Parse({"--start", "--minimized"});
  EXPECT_EQ(both.action, CommandLine::Action::Run);
  EXPECT_TRUE(both.options.minimized);
  EXPECT_TRUE(both.options.start);
}

TEST(CommandLine, HelpAndVersionAnswerAndEndWithStatusZero) {
  const CommandLine help = Parse({"--minimized", "--help"});
  EXPECT_EQ(help.action, CommandLine::Action::Answer);
  EXPECT_EQ(help.exitStatus, 0);
  for (const char* option : {"--minimized", "--start", "--help", "--version"}) {
    EXPECT_NE(help.text.find(option), std::string::npos) << option;
  }

  const CommandLine version = Parse({"--version"});
  EXPECT_EQ(version.action, CommandLine::Action::Answer);
  EXPECT_EQ(version.text, "zelmora 1.62\n");
  EXPECT_EQ(kMainWindowCaption, "Zelmora任务提醒器1.62") << "the caption carries the same number";
}

TEST(CommandLine, AnythingElseIsRefusedWithStatusTwoAndSaysWhat) {
  for (const char* wrong : {"--minimised", "-m", "--start=1", "--", "tasks"}) {
    const CommandLine refused = Parse({"--start", wrong, "--help"});
    EXPECT_EQ(refused.action, CommandLine::Action::Refuse) << wrong;
    EXPECT_EQ(refused.exitStatus, 2) << wrong;
    EXPECT_NE(refused.text.find(std::string("'") + wrong + "'"), std::string::npos) << refused.text;
    EXPECT_NE(refused.text.find("--help"), std::string::npos) << refused.text;
  }
}

}  // namespace
}  // namespace zelmora
