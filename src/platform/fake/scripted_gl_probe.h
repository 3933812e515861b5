// The GL version probe for tests: a scripted context version and a set of exported entry points.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>

#include "platform/gl_version.h"

namespace platform::fake {

class ScriptedGlProbe final : public GlVersionProbe {
public:
    std::optional<std::string> ContextVersion() override {
        ++contextQueries;
        return contextVersion;
    }
    bool LibraryExports(std::string_view library, std::string_view symbol) override {
        return exports.count({std::string(library), std::string(symbol)}) != 0;
    }

    std::optional<std::string> contextVersion;
    std::set<std::pair<std::string, std::string>> exports;
    int contextQueries = 0;
};

}  // namespace platform::fake
