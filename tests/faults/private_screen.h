// An X screen of a test's own, made with Xvfb.
#pragma once

#include <sys/types.h>

#include <string>

namespace faults {

// An Xvfb screen started for the tests of one process: the runs' full-screen windows neither
// cover nor take the focus from what other tests show on the shared display, it is small, so a
// software-drawn frame is cheap, and tests that each have one can run side by side.
class PrivateScreen {
public:
    PrivateScreen(int width, int height);
    ~PrivateScreen();
    PrivateScreen(const PrivateScreen&) = delete;
    PrivateScreen& operator=(const PrivateScreen&) = delete;

    bool Started() const { return !display_.empty(); }
    // ":N", for DISPLAY.
    const std::string& Display() const { return display_; }

private:
    pid_t server_ = -1;
    std::string display_;
};

}  // namespace faults
