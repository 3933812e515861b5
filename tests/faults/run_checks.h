// What every fault run is checked for, whatever was damaged.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fault_run.h"

namespace faults {

// The run ended by itself, within its time and memory.
inline void ExpectEndedCleanly(const ChildEnd& end, const std::string& what) {
    EXPECT_FALSE(end.timedOut) << what << " hung\n" << end.output;
    EXPECT_EQ(end.signal, 0) << what << " crashed\n" << end.output;
    EXPECT_TRUE(end.exited) << what;
    EXPECT_EQ(end.Text("error"), "") << what;
    EXPECT_GT(end.Number("peak_kb", 0), 0) << what;
    EXPECT_LT(end.Number("peak_kb", 0), kPeakLimitKb) << what;
}

// The saver started, drew frames, flashed after the clock's jump and closed on its key.
inline void ExpectRanAndClosed(const ChildEnd& end, const std::string& what) {
    EXPECT_EQ(end.exitCode, 0) << what << "\n" << end.output;
    EXPECT_EQ(end.Text("end"), "done") << what << ": " << end.Text("reason");
    EXPECT_EQ(end.Number("loading"), 1) << what;
    EXPECT_GT(end.Number("frames"), 0) << what;
    EXPECT_EQ(end.Number("closed_by_key"), 1) << what;
    EXPECT_EQ(end.Number("jumped"), 1) << what;
    EXPECT_EQ(end.Number("flashed"), 1) << what;
}

}  // namespace faults
