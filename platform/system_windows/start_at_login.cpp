// Start at login on Windows: the value "Zelmora" under the user's Run key. The
// installer writes and removes the same value, so either side sees the other's
// choice.
#include "platform/start_at_login.h"

#include <windows.h>

#include <string>

#include "core/error.h"
#include "platform/system_windows/program_path.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Where Task Manager and the Settings app keep an entry switched off without removing it.
constexpr wchar_t kApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
constexpr wchar_t kValueName[] = L"Zelmora";

std::string SystemMessage(LONG code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  // Narrow numbers only: wide formatting would bring in a wide printf of its own.
  if (length == 0) return "error " + std::to_string(code);
  std::wstring message(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  return Narrow(message);
}

[[noreturn]] void Fail(const char* what, LONG code) {
  throw Error(std::string("Cannot ") + what + " the value Zelmora under HKEY_CURRENT_USER\\" +
              Narrow(kRunKey) + ": " + SystemMessage(code));
}

// The first byte of an approval record is even when the entry is allowed to run.
bool SwitchedOffElsewhere() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kApprovedKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  BYTE record[16] = {};
  DWORD size = sizeof record;
  DWORD type = 0;
  const LONG result = RegQueryValueExW(key, kValueName, nullptr, &type, record, &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_BINARY && size > 0 && (record[0] & 1) != 0;
}

// The command of the Run value, environment variables expanded; empty when there is none.
std::wstring RunCommand() {
  constexpr DWORD kText = RRF_RT_REG_SZ;  // takes REG_EXPAND_SZ too, expanded
  std::wstring command(MAX_PATH, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(command.size() * sizeof(wchar_t));
    const LONG result =
        RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName, kText, nullptr, command.data(), &size);
    if (result == ERROR_MORE_DATA) {
      command.resize(size / sizeof(wchar_t) + 1);
      continue;
    }
    if (result != ERROR_SUCCESS) return {};
    command.resize(wcsnlen(command.c_str(), command.size()));
    return command;
  }
}

// The program a command starts: its quoted path, or the text up to the first blank.
std::wstring CommandProgram(const std::wstring& command) {
  if (!command.empty() && command.front() == L'"') return command.substr(1, command.find(L'"', 1) - 1);
  return command.substr(0, command.find_first_of(L" \t"));
}

// A short (8.3) name made long; the path as it stands when the file is not there.
std::wstring LongPath(const std::wstring& path) {
  std::wstring full(GetLongPathNameW(path.c_str(), nullptr, 0), L'\0');
  const DWORD length =
      full.empty() ? 0 : GetLongPathNameW(path.c_str(), full.data(), static_cast<DWORD>(full.size()));
  if (length == 0 || length >= full.size()) return path;
  full.resize(length);
  return full;
}

// Windows file names compare without regard to case.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && !b.empty() &&
         CompareStringOrdinal(LongPath(a).c_str(), -1, LongPath(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

class RunKeyStartAtLogin final : public StartAtLogin {
 public:
  explicit RunKeyStartAtLogin(std::string arguments) : arguments_(Wide(arguments)) {}

  // On only when the value starts this very program: a value left by a copy in
  // another folder starts that copy, which may be old or gone.
  bool IsOn() const override {
    return SameFile(CommandProgram(RunCommand()), ProgramPath()) && !SwitchedOffElsewhere();
  }

  void Set(bool on) override {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) Fail(on ? "write" : "remove", result);
    if (on) {
      const std::wstring program = ProgramPath();
      const std::wstring command = L"\"" + program + L"\" " + arguments_;
      result = program.empty() ? static_cast<LONG>(GetLastError())
                               : RegSetValueExW(key, kValueName, 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(command.c_str()),
                                                static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    } else {
      result = RegDeleteValueW(key, kValueName);
      if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) Fail(on ? "write" : "remove", result);
    // Switched on here, it must not stay switched off in Task Manager.
    if (on) RegDeleteKeyValueW(HKEY_CURRENT_USER, kApprovedKey, kValueName);
  }

 private:
  std::wstring arguments_;
};

}  // namespace

std::unique_ptr<StartAtLogin> OpenSystemStartAtLogin(std::string arguments) {
  return std::make_unique<RunKeyStartAtLogin>(std::move(arguments));
}

}  // namespace zelmora::platform
