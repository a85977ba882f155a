#pragma once
// A program connected to a simulated device over a real pseudo-terminal, in a temporary
// working folder: the fixture every session and download test starts from.
#include <filesystem>
#include <string>

#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/state_guard.h"

class SimSession : public KorvaneTest {
  protected:
    void TearDown() override;
    // Starts the simulator, opens its port and identifies the device. False on failure.
    bool connect(sim::SimOptions opts);
    // The golden logger of tests/fixtures/logger-basic.
    static sim::SimOptions fixtureLogger();
    // An energy board (or another kind) with an empty flash.
    static sim::SimOptions emptyDevice(sim::DeviceKind kind = sim::DeviceKind::MW51);
    std::string readWorkFile(const std::string& name) const;
    bool workFileExists(const std::string& name) const;

    std::unique_ptr<sim::Simulator> sim_;
    TempDir work_;
    std::filesystem::path oldCwd_;
};
