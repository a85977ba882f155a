#pragma once
// Puts the program's global state back to its start values around each test and installs the
// scripted UI backend.
#include <gtest/gtest.h>

#include "platform/ui_scripted.h"
#include "shell/korvane.h"

class KorvaneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetState();
        installUi(&ui_);
    }
    void TearDown() override {
        for (const auto& f : ui_.failures) ADD_FAILURE() << f;
        installUi(nullptr);
        resetState();
    }
    ScriptedUi ui_;
};
