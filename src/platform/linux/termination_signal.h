// The descriptor behind the caught termination requests, for the waits that must wake on one.
#pragma once

namespace platform::linux_impl {

// Readable from the first caught request on (it is never drained); -1 before requests are caught.
int TerminationDescriptor();

}  // namespace platform::linux_impl
