#include "platform/resources.h"

#include "core/ascii.h"

namespace platform {

bool ResourceTypeEquals(std::string_view a, std::string_view b) {
    return core::AsciiEqualsIgnoringCase(a, b);
}

}  // namespace platform
