// The two diagnostic sinks. Progress checkpoints hand them their texts; both drop what they get,
// so no run ever writes a log, a debugger message or anything on screen.
#pragma once

#include <string>

namespace core {

void Trace(std::string text);
void TraceError(std::string context, std::string message);
void TraceError(long number, std::string message);

}  // namespace core
