#include "core/start_failure.h"

#include <utility>

namespace core {
namespace {

std::string& Kept() {
    static std::string reason;
    return reason;
}

}  // namespace

void ReportStartFailure(std::string reason) {
    if (Kept().empty()) {
        Kept() = std::move(reason);
    }
}

const std::string& StartFailureReason() {
    return Kept();
}

void ClearStartFailure() {
    Kept().clear();
}

}  // namespace core
