#include "app/build_config.h"
#include "poll/task_server.h"

namespace zelmora {

std::string TaskServerHost() { return build::kTaskServerHost; }

}  // namespace zelmora
