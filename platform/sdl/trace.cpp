// Trace service of the SDL back end: real play keeps no trace.
#include "platform/trace.h"

namespace platform {

void trace(const std::string&) {}

}  // namespace platform
