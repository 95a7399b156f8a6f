#pragma once
// The program's command line, read once for both desktops:
//   --minimized  start in the tray (minimised where there is no tray)
//   --start      press Start once the settings are loaded (what start at login uses)
//   --help, --version
#include <span>
#include <string>

namespace zelmora {

struct StartOptions {
  bool minimized = false;
  bool start = false;
};

struct CommandLine {
  enum class Action {
    Run,     // start the reminder with `options`
    Answer,  // show `text` (help, version) and end with `exitStatus` 0
    Refuse,  // show `text` (what is wrong) and end with `exitStatus` 2
  };
  Action action = Action::Run;
  StartOptions options;
  std::string text;
  int exitStatus = 0;
};

// What start at login runs the program with.
inline constexpr const char* kStartAtLoginArguments = "--minimized --start";

// `arguments` leaves out the program's own name.
CommandLine ParseCommandLine(std::span<const std::string> arguments);

}  // namespace zelmora
