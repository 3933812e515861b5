#include "core/time_source.h"

#include <chrono>
#include <ctime>

#include "core/interval_timer.h"

namespace core {
namespace {

class SystemTimeSource final : public TimeSource {
public:
    std::int64_t NowMilliseconds() const override { return core::NowMilliseconds(); }

    LocalTime Local() const override {
        const auto now = std::chrono::system_clock::now();
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        std::tm local{};
        localtime_r(&seconds, &local);
        const auto sinceEpoch = now.time_since_epoch();
        const auto millis =
            std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
        return {local.tm_hour, local.tm_min, local.tm_sec,
                int(millis < 0 ? millis + 1000 : millis)};
    }
};

}  // namespace

const TimeSource& SystemTime() {
    static const SystemTimeSource source;
    return source;
}

}  // namespace core
