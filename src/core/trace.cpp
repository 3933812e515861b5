#include "core/trace.h"

namespace core {

void Trace(std::string) {}

void TraceError(std::string, std::string) {}

void TraceError(long number, std::string message) {
    TraceError(std::to_string(number), std::move(message));
}

}  // namespace core
