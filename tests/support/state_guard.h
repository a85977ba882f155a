#pragma once
// Puts the program's global state back to its start values around each test and installs the
// scripted UI backend.
#include <gtest/gtest.h>

#include "platform/ui_scripted.h"
#include "shell/korvane.h"
#include "support/env_guard.h"

class KorvaneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        config_.set("XDG_CONFIG_HOME", configDir_.path()); // the user's own settings stay out
        resetState();
        installUi(&ui_);
    }
    void TearDown() override {
        for (const auto& f : ui_.failures) ADD_FAILURE() << f;
        installUi(nullptr);
        resetState();
    }
    ScriptedUi ui_;
    TempDir configDir_;
    EnvGuard config_;
};
