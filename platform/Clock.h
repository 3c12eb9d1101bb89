#pragma once

#include <cstdint>
#include <ctime>

namespace veltrane {

// Broken-down local time, enough for the run log and file headers.
struct LocalDateTime {
    int year = 1970; // full year
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local broken-down time of a moment (localtime_r, localtime_s on Windows).
std::tm LocalTimeOf(std::time_t moment);

// Time source. Monotonic milliseconds for time-outs, local time for stamps.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t NowMs() const = 0;
    virtual LocalDateTime LocalNow() const = 0;
};

// Blocking pauses (the retry pauses, connection tries).
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void SleepMs(int milliseconds) = 0;
};

class SystemClock : public Clock {
public:
    std::int64_t NowMs() const override;
    LocalDateTime LocalNow() const override;
    static SystemClock& Instance();
};

class SystemSleeper : public Sleeper {
public:
    void SleepMs(int milliseconds) override;
    static SystemSleeper& Instance();
};

} // namespace veltrane
