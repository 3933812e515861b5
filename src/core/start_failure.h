// Why the start failed, in words a user can act on. Whoever meets the failure first says why;
// later failures follow from it, so the first reason stands.
#pragma once

#include <string>

namespace core {

// Keeps `reason` unless a reason is kept already.
void ReportStartFailure(std::string reason);
// The kept reason, or an empty text.
const std::string& StartFailureReason();
void ClearStartFailure();

}  // namespace core
