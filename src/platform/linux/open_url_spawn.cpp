// URLs go to xdg-open, started directly (no shell sees the address) and reaped by a thread of its
// own, so the caller never waits for the browser.
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <thread>

#include "platform/open_url.h"

extern char** environ;

namespace platform {

namespace {

class XdgUrlOpener final : public UrlOpener {
public:
    bool Open(std::string_view url) override {
        // An address starting with '-' would be read as an option.
        if (url.empty() || url.front() == '-' || url.find('\0') != std::string_view::npos) {
            return false;
        }
        std::string program = "xdg-open";
        std::string argument(url);
        char* argv[] = {program.data(), argument.data(), nullptr};
        pid_t child = 0;
        if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
            return false;
        }
        std::thread([child] {
            int status = 0;
            waitpid(child, &status, 0);
        }).detach();
        return true;
    }
};

}  // namespace

UrlOpener& UrlOpener::System() {
    static XdgUrlOpener opener;
    return opener;
}

bool OpenUrl(std::string_view url) {
    return UrlOpener::System().Open(url);
}

}  // namespace platform
