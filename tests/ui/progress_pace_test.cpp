#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ui/progress_pace.h"

namespace dovrel {
namespace {

std::uint64_t g_now = 0;
std::uint64_t TestClock() { return g_now; }

// One report: when it comes, what it says, and what the pace makes of it
// ('-' nothing, 'p' a pump, 's' a pump that shows the percent).
struct PacedReport {
    std::uint64_t ms;
    int percent;
    char step;
};

struct PaceCase {
    const char* name;
    std::vector<PacedReport> reports;
};
void PrintTo(const PaceCase& c, std::ostream* out) { *out << c.name; }

class ProgressPaceTest : public testing::TestWithParam<PaceCase> {};

TEST_P(ProgressPaceTest, PumpsAndShowsOnlyWhenTimeHasPassed)
{
    g_now = 1000;
    ProgressPace pace(TestClock);
    for (const PacedReport& report : GetParam().reports) {
        g_now = 1000 + report.ms;
        const ProgressPace::Step step = pace.Next(report.percent);
        const char seen = step.show ? 's' : step.pump ? 'p' : '-';
        EXPECT_EQ(seen, report.step) << "at " << report.ms << " ms, " << report.percent << "%";
        EXPECT_TRUE(step.pump || !step.show);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ProgressPaceTest,
    testing::Values(PaceCase{"first_report_pumps_and_shows", {{0, 0, 's'}}},
                    PaceCase{"reports_within_the_pump_interval_wait", {{0, 0, 's'}, {5, 1, '-'}, {14, 2, '-'}}},
                    PaceCase{"a_pump_after_15_ms_shows_nothing_before_100",
                             {{0, 0, 's'}, {15, 3, 'p'}, {29, 4, '-'}, {30, 5, 'p'}}},
                    PaceCase{"a_changed_percent_shows_after_100_ms", {{0, 0, 's'}, {100, 5, 's'}, {200, 6, 's'}}},
                    PaceCase{"an_unchanged_percent_only_pumps", {{0, 7, 's'}, {100, 7, 'p'}, {300, 7, 'p'}}},
                    PaceCase{"a_show_waits_for_the_next_pump",
                             {{0, 0, 's'}, {90, 5, 'p'}, {100, 6, '-'}, {104, 6, '-'}, {105, 7, 's'}}},
                    PaceCase{"full_pumps_and_shows_at_once",
                             {{0, 0, 's'}, {1, 100, 's'}, {2, 100, '-'}, {20, 100, 'p'}}},
                    PaceCase{"over_full_counts_as_full", {{0, 40, 's'}, {3, 130, 's'}, {4, 100, '-'}}},
                    PaceCase{"a_slow_job_pumps_and_shows_at_every_report",
                             {{0, 0, 's'}, {250, 10, 's'}, {500, 20, 's'}, {2000, 99, 's'}, {2001, 100, 's'}}}));

// A job reporting every millisecond for a second: at most ten shows, and
// no wait between pumps longer than the interval.
TEST(ProgressPaceRateTest, AReportEveryMillisecondPumpsEvery15MsAndShowsTenTimesASecond)
{
    g_now = 0;
    ProgressPace pace(TestClock);
    int pumps = 0, shows = 0;
    std::uint64_t lastPump = 0, longestWait = 0;
    for (g_now = 0; g_now < 1000; ++g_now) {
        const ProgressPace::Step step = pace.Next(static_cast<int>(g_now / 10));
        if (!step.pump) continue;
        ++pumps;
        shows += step.show;
        longestWait = std::max(longestWait, g_now - lastPump);
        lastPump = g_now;
    }
    EXPECT_EQ(pumps, 67);
    EXPECT_EQ(shows, 10);
    EXPECT_EQ(longestWait, ProgressPace::kPumpMs);
}

}  // namespace
}  // namespace dovrel
