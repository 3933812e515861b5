// What can be learned about the system's OpenGL without the engine's device: the version of a
// context on a hidden window, and which entry points the system's GL libraries export.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

class GlVersionProbe {
public:
    virtual ~GlVersionProbe() = default;

    // The GL_VERSION text of a context made on a hidden window (a 3.3 core context when the
    // driver offers one, else its default context). Nothing when no context could be made.
    virtual std::optional<std::string> ContextVersion() = 0;

    // Whether shared library `library` can be loaded and exports `symbol`.
    virtual bool LibraryExports(std::string_view library, std::string_view symbol) = 0;

    static GlVersionProbe& System();
};

}  // namespace platform
