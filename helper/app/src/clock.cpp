#include "tarnwick/helper/clock.h"

#include <chrono>

namespace tarnwick {
namespace {

class SystemClock final : public Clock {
public:
    double now() const override
    {
        using namespace std::chrono;
        return duration<double>(system_clock::now().time_since_epoch()).count();
    }
    double monotonic() const override
    {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
};

} // namespace

Clock& Clock::system()
{
    static SystemClock* clock = new SystemClock;
    return *clock;
}

} // namespace tarnwick
