// For test builds of the program only: the end-to-end tests start a local task
// server on a free port and tell the program where it is. The shipped program
// takes its host from the build.
#include <cstdlib>

#include "app/build_config.h"
#include "poll/task_server.h"

namespace zelmora {

std::string TaskServerHost() {
  const char* host = std::getenv("ZELMORA_TEST_TASK_SERVER");
  return host && *host ? host : build::kTaskServerHost;
}

}  // namespace zelmora
