// The screensaver switches: /s, /p <window>, /c [window], /a [window], /t, with '-' for '/'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

enum class RunMode : std::int32_t {
    Saver = 0,
    Preview = 1,
    SaverT = 2,  // behaves exactly like Saver
    Configure = 3,
    Password = 4,  // not supported: start-up fails
};

// The run mode of a full command line (program name first). `windowHandle` becomes the number
// following /p, /c or /a (decimal, or hexadecimal after "0x"), or 0 when there is none (or it
// does not fit in 32 bits).
RunMode ParseCommandLine(std::string_view fullLine, std::uint32_t& windowHandle);

// The command line as Windows would hand it over: argv[0], in double quotes when it contains a
// blank, then the arguments joined by single blanks.
std::string FullCommandLine(int argc, const char* const* argv);

}  // namespace app
