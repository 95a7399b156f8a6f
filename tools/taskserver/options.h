#pragma once
// Command line of the task-server stand-in.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelmora::taskserver {

enum class Fault {
  Reset,    // the connection is reset without a reply
  Garbage,  // bytes that are not HTTP, then close
  Cut,      // a reply whose body stops short of its Content-Length
  Slow,     // a correct reply after a delay
};

struct Options {
  int port = 0;                  // 0: any free port
  double taskEverySeconds = 15;  // a new task id this often; 0: never
  double noteEverySeconds = 30;  // a new announcement this often; 0: never
  std::string logFile;           // each request line, when set
  double faultRate = 0;          // share of requests answered with a fault, 0..1
  std::vector<Fault> faults{Fault::Reset, Fault::Garbage, Fault::Cut, Fault::Slow};
  int slowMilliseconds = 1500;
  std::uint32_t seed = 0;  // 0: a random seed
};

extern const char* const kUsage;

// Nothing, with a message on stderr, when the command line is wrong.
std::optional<Options> ParseOptions(const std::vector<std::string>& arguments);

}  // namespace zelmora::taskserver
