#include "support/sim_session.h"

#include <fstream>

#include "link/korvane_com.h"
#include "support/fixture.h"

void SimSession::TearDown() {
    if (hCom) closeComPort(hCom);
    if (sim_) sim_->stop();
    if (!oldCwd_.empty()) std::filesystem::current_path(oldCwd_);
    KorvaneTest::TearDown();
}

bool SimSession::connect(sim::SimOptions opts) {
    if (oldCwd_.empty()) {
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(work_.path());
    }
    sim_ = std::make_unique<sim::Simulator>(opts);
    std::string err;
    if (!sim_->start(&err)) {
        ADD_FAILURE() << "simulator: " << err;
        return false;
    }
    hCom = openComPort(sim_->slavePath());
    if (!hCom) return false;
    initCOM(hCom);
    Timeout_rx = 2000;
    CommPort = sim_->slavePath();
    return test_hCom(hCom) == 1;
}

sim::SimOptions SimSession::fixtureLogger() {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.stateDir = fixturePath("logger-basic");
    return o;
}

sim::SimOptions SimSession::fixtureLoggerBehindModem(uint32_t dialMs) {
    sim::SimOptions o = fixtureLogger();
    o.modem = true;
    o.modemDialMs = dialMs;
    o.modemGuardMs = 100;
    o.modemNumber = kModemNumber;
    o.modemConnectCode = 16;
    return o;
}

bool SimSession::connectModem(sim::SimOptions opts) {
    Exe_dir = work_.path();
    std::ofstream(work_.file("modem.ini"), std::ios::binary) << "ATE0\r\n";
    Flag.modem = 1;
    BR_value = 19200;
    return connect(std::move(opts));
}

sim::SimOptions SimSession::emptyDevice(sim::DeviceKind kind) {
    sim::SimOptions o;
    o.kind = kind;
    o.scenario = "empty";
    return o;
}

std::string SimSession::readWorkFile(const std::string& name) const { return readFileBytes(work_.file(name)); }

bool SimSession::workFileExists(const std::string& name) const {
    return std::filesystem::exists(work_.file(name));
}
