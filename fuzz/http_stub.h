// Stand-in for the internet client: the reply the next download gets, and which uploads are
// answered with success.
#pragma once
#include <cstdint>
#include <string>

namespace fuzzing {

void setHttpReply(uint32_t uploadSuccessBits, std::string body);

}  // namespace fuzzing
