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

/// A simulated instrument of the profile started, and a raw client on its TCP port.
class SimClientTest : public ::testing::Test {
  protected:
    void start(const std::string& profile) {
        sim = StartOrFail(Options(profile));
        ASSERT_TRUE(sim);
        client = std::make_unique<RawClient>(RawClient::Tcp(sim->port()));
        ASSERT_TRUE(client->ok());
    }
    std::unique_ptr<SimInstrument> sim;
    std::unique_ptr<RawClient> client;
};

}  // namespace talven::sim::test
