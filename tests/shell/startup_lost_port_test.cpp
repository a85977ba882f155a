// Start-up after the port was lost under the top-level screen: the port selection comes again,
// and the work goes on on the port chosen there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/korvane_com.h"
#include "logger/time_marks.h"
#include "shell/startup.h"
#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/state_guard.h"

namespace {

// The first top-level screen loses its port; the port selection finds the device again (or,
// when `chooseAgain` is false, is left with "Exit").
struct LosingScreens : StartupScreens {
    std::vector<std::string> calls;
    std::string simPath, workDir;
    bool chooseAgain = true;
    int selectPort() override {
        calls.push_back("select Com_lost=" + std::to_string(Com_lost));
        if (!chooseAgain) return 1;
        return openAndProbe(simPath) == 1 ? 2 : 0;
    }
    int top(const char* name) {
        calls.push_back(name);
        DataTimeSS = workDir + "/" + std::to_string(calls.size());
        std::ofstream(DataTimeSS) << "x";
        if (calls.size() == 1) Com_lost = 1; // the adapter was pulled out under the screen
        return 1;
    }
    int mainDialog() override { return top("main"); }
    int quickView() override { return top("quick"); }
    int remote() override { return top("remote"); }
    int loader() override { return top("loader"); }
};

class StartupLostPort : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        env_.set("KORVANE_DEV_DIR", devDir_.path()).unset("KORVANE_PORTS");
        sim::SimOptions o;
        o.kind = sim::DeviceKind::MW51;
        sim_ = std::make_unique<sim::Simulator>(o);
        ASSERT_TRUE(sim_->start());
        screens_.simPath = sim_->slavePath();
        screens_.workDir = work_.path();
    }
    EnvGuard env_;
    TempDir devDir_, work_;
    std::unique_ptr<sim::Simulator> sim_;
    LosingScreens screens_;
};

TEST_F(StartupLostPort, ThePortSelectionComesAgainAndTheWorkGoesOn) {
    const std::string cmd = "-p" + sim_->slavePath();
    EXPECT_EQ(runStartup(cmd.c_str(), screens_), 1);
    EXPECT_EQ(screens_.calls, (std::vector<std::string>{"main", "select Com_lost=0", "main"}));
    EXPECT_FALSE(std::filesystem::exists(work_.file("1"))) << "the lost screen's working file is gone";
    EXPECT_FALSE(std::filesystem::exists(work_.file("3")));
    EXPECT_EQ(hCom, nullptr);
}

TEST_F(StartupLostPort, LeavingThePortSelectionEndsTheProgram) {
    screens_.chooseAgain = false;
    const std::string cmd = "-p" + sim_->slavePath();
    runStartup(cmd.c_str(), screens_);
    EXPECT_EQ(screens_.calls, (std::vector<std::string>{"main", "select Com_lost=0"}));
    EXPECT_FALSE(std::filesystem::exists(work_.file("1")));
    EXPECT_EQ(hCom, nullptr);
}

} // namespace
