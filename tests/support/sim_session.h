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
    // The golden logger behind the simulated modem: kModemNumber answers "CONNECT 19200" after
    // `dialMs`, other numbers are busy; a short escape guard time.
    static constexpr const char* kModemNumber = "0551234567";
    static sim::SimOptions fixtureLoggerBehindModem(uint32_t dialMs = 150);
    // As connect(), with the program set up for a modem (-m, modem.ini with "ATE0" in the
    // working folder, which is Exe_dir); the modem is probed, no call is made.
    bool connectModem(sim::SimOptions opts);
    // An energy board (or another kind) with an empty flash.
    static sim::SimOptions emptyDevice(sim::DeviceKind kind = sim::DeviceKind::MW51);
    std::string readWorkFile(const std::string& name) const;
    bool workFileExists(const std::string& name) const;

    std::unique_ptr<sim::Simulator> sim_;
    TempDir work_;
    std::filesystem::path oldCwd_;
};
