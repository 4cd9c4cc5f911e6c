#include "frontends/TickSchedule.h"

#include <gtest/gtest.h>

namespace varnix::frontends {
namespace {

TEST(TickScheduleTest, TicksKeepTheirGridUntilACycleIsBroughtForwardWhichRestartsIt) {
    // Each row: at `at`, ask for a cycle `forward` ms away (-1: none) and/or start a cycle; then
    // the delay to the next cycle.
    struct Step {
        long long at;
        int forward;
        bool cycle;
        long long delay;
    };
    const Step steps[] = {
        {0, -1, false, 900},      // the grid from the start
        {250, -1, false, 650},    // a cycle's own waits never push the next one back
        {900, -1, true, 900},     // a ticked cycle keeps the grid
        {1300, -1, false, 500},   //
        {1300, 100, false, 100},  // a file just closed: sooner than the grid
        {1350, 400, false, 50},   // a later request does not delay the earlier
        {1400, -1, true, 900},    // the cycle brought forward restarts the grid from itself
        {2000, -1, false, 300},   //
        {2250, 100, false, 50},   // the grid point sooner than the request: the grid wins
        {2300, -1, true, 900},    // the ticked cycle serves the request too: no extra cycle
        {2650, -1, true, 550},    // a cycle begins; asked while it runs (the timer off) ...
        {2700, 100, false, 100},  // ... the request is kept for after it
        {3300, -1, false, 0},     // ... and due as soon as the timer is on again
        {3300, -1, true, 900},    //
        {4100, -5, false, 0},     // a negative delay is now
    };
    TickSchedule schedule(0);
    for (const Step& step : steps) {
        if (step.cycle) {
            schedule.CycleStarts(step.at);
        }
        if (step.forward != -1) {
            schedule.BringForward(step.at, step.forward);
        }
        EXPECT_EQ(schedule.DelayMs(step.at, 900), step.delay) << "at " << step.at;
    }
    EXPECT_EQ(TickSchedule(0).DelayMs(5, 0), 1) << "no interval: every millisecond, never 0";
}

}  // namespace
}  // namespace varnix::frontends
