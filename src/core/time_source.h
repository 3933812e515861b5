// TimeSource: where the program reads the time, the millisecond clock and the local wall-clock
// time, behind one small interface so that a frame can be made at a chosen moment.
#pragma once

#include <cstdint>

namespace core {

struct LocalTime {
    int hour = 0;  // 0 .. 23
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class TimeSource {
public:
    virtual ~TimeSource() = default;
    virtual std::int64_t NowMilliseconds() const = 0;
    virtual LocalTime Local() const = 0;
};

// The system's clocks.
const TimeSource& SystemTime();

// A clock that stands where it is set; tests and tools move it.
class FixedTime final : public TimeSource {
public:
    std::int64_t NowMilliseconds() const override { return now; }
    LocalTime Local() const override { return local; }

    std::int64_t now = 0;
    LocalTime local;
};

}  // namespace core
