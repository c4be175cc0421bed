#pragma once
// "Today" and the tick count, replaceable so tests can freeze time.

#include <cstdint>

namespace nrt::platform {

struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    int weekday = 0; // 0 = Sunday
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
    // Milliseconds from an arbitrary start, monotonic.
    virtual std::uint64_t TickCount() = 0;
    virtual void SleepMs(std::uint32_t ms) = 0;
};

Clock& GetClock();
void SetClock(Clock* clock); // nullptr restores the system clock

// A clock that stands still until told to move; SleepMs advances it at once.
class FakeClock : public Clock {
public:
    LocalTime now { 2026, 1, 1, 9, 0, 0, 4 };
    std::uint64_t ticks = 1000;
    LocalTime Now() override { return now; }
    std::uint64_t TickCount() override { return ticks; }
    void SleepMs(std::uint32_t ms) override { ticks += ms; }
};

class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

} // namespace nrt::platform
