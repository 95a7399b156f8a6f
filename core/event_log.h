#pragma once
// The program's log of notable events (start and exit, settings, changes of the
// poll outcome, new tasks, error reports, the page view's helper). Any layer may
// write to it; the program decides where the lines go by installing a sink.
#include <functional>
#include <string>

namespace zelmora {

// Any thread. Goes nowhere while no sink is installed.
void LogEvent(const std::string& text);

// Installs a sink for its own lifetime; the one installed before comes back after.
class ScopedLogSink {
 public:
  explicit ScopedLogSink(std::function<void(const std::string&)> sink);
  ~ScopedLogSink();
  ScopedLogSink(const ScopedLogSink&) = delete;
  ScopedLogSink& operator=(const ScopedLogSink&) = delete;

 private:
  std::function<void(const std::string&)> previous_;
};

}  // namespace zelmora
