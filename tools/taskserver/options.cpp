#include "tools/taskserver/options.h"

#include <cstdio>
#include <string_view>

#include "core/ascii_text.h"

namespace zelmora::taskserver {

const char* const kUsage =
    "usage: taskserver [--port N] [--task-every SECONDS] [--note-every SECONDS] [--log FILE]\n"
    "                  [--fault-rate P] [--faults reset,garbage,cut,slow] [--slow-ms MS] [--seed N]\n"
    "Answers /tx.php?action=getnum and /tx.php?action=show on 127.0.0.1.\n"
    "--port 0 picks a free port; the first line on stdout names it.\n";

namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number& number) {
  const auto parsed = ParseWholeNumber<Number>(text);
  if (parsed) number = *parsed;
  return parsed.has_value();
}

std::optional<std::vector<Fault>> ParseFaults(std::string_view list) {
  std::vector<Fault> faults;
  while (!list.empty()) {
    size_t comma = list.find(',');
    std::string_view name = list.substr(0, comma);
    if (name == "reset")
      faults.push_back(Fault::Reset);
    else if (name == "garbage")
      faults.push_back(Fault::Garbage);
    else if (name == "cut")
      faults.push_back(Fault::Cut);
    else if (name == "slow")
      faults.push_back(Fault::Slow);
    else
      return std::nullopt;
    list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
  }
  if (faults.empty()) return std::nullopt;
  return faults;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string_view name = arguments[i];
    if (i + 1 == arguments.size()) {
      std::fprintf(stderr, "taskserver: %s needs a value\n%s", arguments[i].c_str(), kUsage);
      return std::nullopt;
    }
    std::string_view value = arguments[++i];
    bool ok = false;
    if (name == "--port") {
      ok = ParseNumber(value, options.port) && options.port >= 0 && options.port <= 65535;
    } else if (name == "--task-every") {
      ok = ParseNumber(value, options.taskEverySeconds) && options.taskEverySeconds >= 0;
    } else if (name == "--note-every") {
      ok = ParseNumber(value, options.noteEverySeconds) && options.noteEverySeconds >= 0;
    } else if (name == "--log") {
      options.logFile = value;
      ok = !value.empty();
    } else if (name == "--fault-rate") {
      ok = ParseNumber(value, options.faultRate) && options.faultRate >= 0 && options.faultRate <= 1;
    } else if (name == "--faults") {
      auto faults = ParseFaults(value);
      ok = faults.has_value();
      if (ok) options.faults = *faults;
    } else if (name == "--slow-ms") {
      ok = ParseNumber(value, options.slowMilliseconds) && options.slowMilliseconds >= 0;
    } else if (name == "--seed") {
      ok = ParseNumber(value, options.seed);
    } else {
      std::fprintf(stderr, "taskserver: unknown option %s\n%s", arguments[i - 1].c_str(), kUsage);
      return std::nullopt;
    }
    if (!ok) {
      std::fprintf(stderr, "taskserver: bad value for %s: %s\n", arguments[i - 1].c_str(),
                   arguments[i].c_str());
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace zelmora::taskserver
