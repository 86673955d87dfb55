#pragma once
// When a job's report reaches the window. Each pump of the message queue
// and each title change is a round trip to the window system (under Wine,
// to its server), and a job reports thousands of times: a report pumps only
// when enough time has passed since the last pump, and changes the title
// only a few times a second. The clock is the caller's, so the pace can be
// checked without waiting.

#include <cstdint>

namespace dovrel {

// A clock in milliseconds.
using MillisecondClock = std::uint64_t (*)();
// The performance counter's, a fraction of a microsecond a read. Not
// GetTickCount64: under Wine the tick count is refreshed by the server when
// it wakes, and stands still for 35 ms and more while the job asks nothing
// of the server (writing a large file).
std::uint64_t SystemMilliseconds();

class ProgressPace {
public:
    // A close, a paint or a sent message waits at most this long, plus one
    // step of the job, before it is answered.
    static constexpr std::uint64_t kPumpMs = 15;
    // At most ten title (and task-bar button) changes a second.
    static constexpr std::uint64_t kShowMs = 100;

    struct Step {
        bool pump = false;  // dispatch the waiting messages now
        bool show = false;  // show percent now (implies pump)
    };

    explicit ProgressPace(MillisecondClock clock);

    // The first report, 100 % and a report after kPumpMs pump; of those, the
    // first, 100 % and a changed percent after kShowMs are shown.
    Step Next(int percent);

private:
    MillisecondClock clock_;
    std::uint64_t lastPump_ = 0;
    std::uint64_t lastShow_ = 0;
    int shown_ = -1;
};

}  // namespace dovrel
