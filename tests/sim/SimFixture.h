#pragma once
// Starts one simulated instrument on an ephemeral loopback port with a frozen clock at
// 2026-03-01 12:00:00 (day 60), so that reply headers and records are fixed.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "RawClient.h"
#include "foundation/DateTime.h"
#include "sim/SimServer.h"

namespace talven::sim::test {

inline std::uint32_t FixedNow() {
    return DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
}

inline InstrumentOptions Options(const std::string& profile) {
    InstrumentOptions o;
    o.profile = profile;
    o.clockStart = FixedNow();
    o.clockFrozen = true;
    return o;
}

inline std::unique_ptr<SimInstrument> StartOrFail(const InstrumentOptions& options) {
    std::string error;
    std::unique_ptr<SimInstrument> sim = SimInstrument::StartTcp(options, 0, error);
    EXPECT_TRUE(sim) << error;
    return sim;
}

}  // namespace talven::sim::test
