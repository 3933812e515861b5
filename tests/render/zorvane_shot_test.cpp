#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <string>

namespace {

int RunShot(const std::string& arguments) {
    const std::string command = std::string(ZORVANE_BINARY_DIR) +
                                "/tools/zorvane-shot/zorvane-shot " + arguments +
                                " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ZorvaneShot, ArgumentsAreCheckedBeforeAnyDisplayIsNeeded) {
    EXPECT_EQ(RunShot("--help"), 0);
    struct Case {
        const char* arguments;
        const char* why;
    };
    const Case cases[] = {
        {"", "no scene"},
        {"scene.UDF", "no output"},
        {"scene.UDF --out a.png --size 0x10", "empty size"},
        {"scene.UDF --out a.png --size 640", "size without height"},
        {"scene.UDF --out a.png --eye 1,2", "two coordinates"},
        {"scene.UDF --out a.png --time soon", "time not a number"},
        {"scene.UDF --out a.png --background 1234567", "colour too long"},
        {"scene.UDF --out a.png --zoom 2", "unknown option"},
        {"scene.UDF other.UDF --out a.png", "two scenes"},
        {"scene.UDF --out", "option without value"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunShot(c.arguments), 2) << c.why;
    }
}

}  // namespace
