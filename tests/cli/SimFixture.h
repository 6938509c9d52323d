#pragma once
// A talvenctl test against one simulated instrument on TCP, its clock frozen at a fixed time, with
// a directory for the files the commands write.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CliTestSupport.h"
#include "foundation/DateTime.h"
#include "sim/SimServer.h"

namespace talven::cli::test {

class SimulatedInstrumentTest : public ::testing::Test {
  protected:
    explicit SimulatedInstrumentTest(std::string profile) : profile_(std::move(profile)) {}

    const std::uint32_t now = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
    std::unique_ptr<sim::SimInstrument> sim;
    TempDir temp;
    std::string dir = temp.path();

    void SetUp() override {
        sim::InstrumentOptions o;
        o.profile = profile_;
        o.clockStart = now;
        o.clockFrozen = true;
        std::string error;
        sim = sim::SimInstrument::StartTcp(o, 0, error);
        ASSERT_TRUE(sim) << error;
    }
    void TearDown() override {
        if (sim)
            sim->stop();
    }
    std::string Tcp() const { return "127.0.0.1:" + std::to_string(sim->port()); }

  private:
    std::string profile_;
};

}  // namespace talven::cli::test
