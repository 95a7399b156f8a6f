#include "app/command_line.h"

#include "app/build_config.h"

namespace zelmora {
namespace {

constexpr int kUsageError = 2;

constexpr const char* kHelp =
    "Usage: zelmora [OPTION]...\n"
    "The Zelmora task reminder: asks the task platform for new tasks and shows each\n"
    "new one in a small window in the corner of the screen.\n"
    "\n"
    "  --minimized  start in the tray (minimised where there is no tray)\n"
    "  --start      press Start once the settings are loaded\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Started again while it runs, the reminder brings its window to the front.\n";

CommandLine Refused(const std::string& complaint) {
  return {CommandLine::Action::Refuse,
          {},
          "zelmora: " + complaint + "\nTry 'zelmora --help' for the options.\n",
          kUsageError};
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string> arguments) {
  CommandLine line;
  bool help = false;
  bool version = false;
  for (const std::string& argument : arguments) {
    if (argument == "--minimized") {
      line.options.minimized = true;
    } else if (argument == "--start") {
      line.options.start = true;
    } else if (argument == "--help") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (argument.starts_with('-')) {
      return Refused("unknown option '" + argument + "'");
    } else {
      return Refused("unexpected argument '" + argument + "'");
    }
  }
  if (help) return {CommandLine::Action::Answer, {}, kHelp, 0};
  if (version) return {CommandLine::Action::Answer, {}, std::string("zelmora ") + build::kVersion + '\n', 0};
  return line;
}

}  // namespace zelmora
