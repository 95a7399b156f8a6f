#include "platform/system_posix/desktop_entry_autostart.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "core/error.h"
#include "platform/system_posix/xdg_directories.h"

namespace zelmora::platform {
namespace {

constexpr const char* kEntryName = "zelmora.desktop";

std::filesystem::path OnSearchPath(const std::filesystem::path& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / name;
    if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return name;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

class DesktopEntryAutostart final : public StartAtLogin {
 public:
  DesktopEntryAutostart(std::filesystem::path directory, std::filesystem::path program, std::string arguments)
      : entry_(std::move(directory) / kEntryName),
        program_(std::move(program)),
        arguments_(std::move(arguments)) {}

  // On when the entry starts this very program: one left by a copy elsewhere
  // (an older one, or one since removed) starts nothing of ours.
  bool IsOn() const override {
    std::ifstream file(entry_);
    if (!file) return false;
    // Desktops switch an entry off without removing it: Hidden=true, or GNOME's own key.
    bool inMainGroup = false;
    bool startsThisProgram = false;
    for (std::string line; std::getline(file, line);) {
      line = Trimmed(line);
      if (!line.empty() && line.front() == '[') {
        inMainGroup = line == "[Desktop Entry]";
        continue;
      }
      const auto equals = line.find('=');
      if (!inMainGroup || equals == std::string::npos) continue;
      const std::string key = Trimmed(line.substr(0, equals));
      const std::string value = Trimmed(line.substr(equals + 1));
      if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false")) {
        return false;
      }
      if (key == "Exec") startsThisProgram = IsThisProgram(DesktopEntryExecProgram(value));
    }
    return startsThisProgram;
  }

  void Set(bool on) override {
    std::error_code failed;
    if (!on) {
      std::filesystem::remove(entry_, failed);
      if (failed) Fail("remove", failed);
      return;
    }
    if (program_.empty()) throw Error("Cannot tell where this program is, so it cannot start at login");
    std::filesystem::create_directories(entry_.parent_path(), failed);
    if (failed) Fail("create the folder of", failed);
    // Written aside and renamed over the entry, so a session never reads half of it.
    std::filesystem::path written = entry_;
    written += ".new";
    {
      std::ofstream file(written, std::ios::trunc);
      file << Entry();
      file.close();
      if (!file) {
        const std::error_code why(errno != 0 ? errno : EIO, std::generic_category());
        std::filesystem::remove(written, failed);
        Fail("write", why);
      }
    }
    std::filesystem::rename(written, entry_, failed);
    if (failed) {
      std::error_code ignored;
      std::filesystem::remove(written, ignored);
      Fail("write", failed);
    }
  }

 private:
  bool IsThisProgram(std::filesystem::path program) const {
    if (program.empty() || program_.empty()) return false;
    // A bare name is looked up as the session would look it up.
    if (!program.has_parent_path()) program = OnSearchPath(program);
    std::error_code missing;
    const bool same = std::filesystem::equivalent(program, program_, missing);
    return missing ? program.lexically_normal() == program_.lexically_normal() : same;
  }

  std::string Entry() const {
    std::ostringstream entry;
    entry << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=Zelmora Task Reminder\n"
          << "Name[zh_CN]=Zelmora任务提醒器\n"
          << "Comment=Starts the task reminder at login, in the tray\n"
          << "Exec=" << DesktopEntryExecArgument(program_.string()) << ' ' << arguments_ << '\n'
          << "Icon=zelmora\n"
          << "Terminal=false\n"
          << "X-GNOME-Autostart-enabled=true\n";
    return entry.str();
  }

  [[noreturn]] void Fail(const std::string& what, const std::error_code& why) const {
    throw Error("Cannot " + what + " the autostart entry " + entry_.string() + ": " + why.message());
  }

  std::filesystem::path entry_;
  std::filesystem::path program_;
  std::string arguments_;
};

}  // namespace

std::string DesktopEntryExecArgument(const std::string& path) {
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '\n' || c == '\r') throw Error("A program path with a line break cannot start at login");
    // Inside quotes these four take a backslash; '%' would start a field code.
    if (std::strchr("\"`$\\", c) != nullptr) quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  // As a string value, every backslash is escaped once more.
  std::string value;
  for (const char c : quoted) {
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

std::string DesktopEntryExecProgram(const std::string& value) {
  // The string value's own escapes first.
  std::string command;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      command += value[i];
      continue;
    }
    const char escaped = value[++i];
    command += escaped == 's'   ? ' '
               : escaped == 'n' ? '\n'
               : escaped == 't' ? '\t'
               : escaped == 'r' ? '\r'
                                : escaped;
  }
  // Then the first argument of the command line, quoted or not.
  std::string program;
  std::size_t i = command.find_first_not_of(' ');
  if (i == std::string::npos) return program;
  const bool quoted = command[i] == '"';
  for (i += quoted ? 1 : 0; i < command.size(); ++i) {
    const char c = command[i];
    if (quoted ? c == '"' : c == ' ') break;
    if (quoted && c == '\\' && i + 1 < command.size()) {
      program += command[++i];
    } else if (c == '%' && i + 1 < command.size() && command[i + 1] == '%') {
      program += command[++i];
    } else {
      program += c;
    }
  }
  return program;
}

std::unique_ptr<StartAtLogin> OpenDesktopEntryAutostart(std::filesystem::path directory,
                                                        std::filesystem::path program,
                                                        std::string arguments) {
  return std::make_unique<DesktopEntryAutostart>(std::move(directory), std::move(program),
                                                 std::move(arguments));
}

std::unique_ptr<StartAtLogin> OpenSystemStartAtLogin(std::string arguments) {
  std::error_code failed;
  std::string program = std::filesystem::read_symlink("/proc/self/exe", failed).string();
  // A program replaced on disk while running (an upgrade) keeps its path.
  constexpr std::string_view kReplaced = " (deleted)";
  if (program.ends_with(kReplaced)) program.resize(program.size() - kReplaced.size());
  return OpenDesktopEntryAutostart(ConfigurationHome() / "autostart", std::move(program),
                                   std::move(arguments));
}

}  // namespace zelmora::platform
