#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace nrt::platform {
namespace {

class SystemClock : public Clock {
public:
    LocalTime Now() override
    {
        std::time_t t = std::time(nullptr);
        std::tm tm {};
        localtime_r(&t, &tm);
        return { tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday };
    }
    std::uint64_t TickCount() override
    {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void SleepMs(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SystemClock g_system;
Clock* g_clock = &g_system;

} // namespace

Clock& GetClock()
{
    return *g_clock;
}

void SetClock(Clock* clock)
{
    g_clock = clock ? clock : &g_system;
}

ScopedClock::ScopedClock(Clock& clock)
    : previous_(g_clock == &g_system ? nullptr : g_clock)
{
    SetClock(&clock);
}

ScopedClock::~ScopedClock()
{
    SetClock(previous_);
}

} // namespace nrt::platform
