// taskserver: a local stand-in for the platform's task server, for demos and
// end-to-end tests. Stops on SIGTERM or SIGINT.
#include <signal.h>

#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "tools/taskserver/options.h"
#include "tools/taskserver/server.h"

int main(int argc, char** argv) {
  using namespace zelmora::taskserver;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::optional<Options> options = ParseOptions(arguments);
  if (!options) return 2;

  // Every thread inherits this mask, so the signals reach only sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  try {
    Server server(*options);
    int port = server.Listen();
    std::printf("listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);

    std::thread acceptor([&server] { server.Run(); });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    acceptor.join();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "taskserver: %s\n", error.what());
    return 1;
  }
  return 0;
}
