// The hostile device: which replies it spoils, how, and that a seed always spoils them the same.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "sim/hostile.h"
#include "sim/sim.h"
#include "sim_client.h"
#include "support/fixture.h"

namespace {

using sim::Hostile;

TEST(SimHostile, FaultListTakesAShareOfHostileReplies) {
    sim::FaultSpec f;
    std::string err;
    ASSERT_TRUE(sim::FaultSpec::parse("hostile=0.25,seed=3", f, err)) << err;
    EXPECT_DOUBLE_EQ(f.hostile, 0.25);
    EXPECT_EQ(f.seed, 3u);
    ASSERT_TRUE(sim::FaultSpec::parse("drop=0.1", f, err));
    EXPECT_EQ(f.hostile, 0) << "off unless asked for";
    for (const char* bad : {"hostile=1.01", "hostile=-0.5", "hostile=x", "hostile="})
        EXPECT_FALSE(sim::FaultSpec::parse(bad, f, err)) << bad;
}

TEST(SimHostile, EachKindSpoilsTheReplyItsOwnWay) {
    const std::string reply = "B018\r";
    sim::SplitMix64 dice;
    for (int round = 0; round < 300; ++round) {
        for (Hostile k : {Hostile::Garbage, Hostile::Truncated, Hostile::LongLine, Hostile::StrayBefore,
                          Hostile::StrayAfter}) {
            const std::string s = sim::hostileBytes(k, reply, dice);
            SCOPED_TRACE(sim::hostileName(k));
            switch (k) {
            case Hostile::Garbage:
                EXPECT_GE(s.size(), 1u);
                EXPECT_LE(s.size(), sim::kHostileGarbageMax);
                break;
            case Hostile::Truncated:
                EXPECT_LT(s.size(), reply.size());
                EXPECT_EQ(reply.compare(0, s.size(), s), 0) << "a prefix of the reply";
                break;
            case Hostile::LongLine: {
                EXPECT_GE(s.size(), sim::kHostileLongMin);
                EXPECT_LE(s.size(), sim::kHostileLongMax + 1);
                const size_t cr = s.find('\r');
                EXPECT_TRUE(cr == std::string::npos || cr == s.size() - 1) << "no end before the last byte";
                break;
            }
            case Hostile::StrayBefore:
                EXPECT_GT(s.size(), reply.size());
                EXPECT_EQ(s.substr(s.size() - reply.size()), reply);
                break;
            case Hostile::StrayAfter:
                EXPECT_GT(s.size(), reply.size());
                EXPECT_EQ(s.substr(0, reply.size()), reply);
                break;
            case Hostile::None:
                break;
            }
        }
    }
    EXPECT_EQ(sim::hostileBytes(Hostile::Truncated, "", dice), "");
    EXPECT_EQ(sim::hostileBytes(Hostile::None, reply, dice), reply);
}

TEST(SimHostile, ShareOfHostileRepliesFollowsP) {
    for (double p : {0.0, 0.3, 1.0}) {
        sim::SplitMix64 dice;
        std::set<Hostile> kinds;
        int hostile = 0;
        for (int i = 0; i < 2000; ++i) {
            const Hostile k = sim::pickHostile(p, dice);
            kinds.insert(k);
            hostile += k != Hostile::None;
        }
        EXPECT_NEAR(hostile / 2000.0, p, 0.05) << p;
        const size_t expected = p == 0 ? 1 : static_cast<size_t>(sim::kHostileKinds + (p < 1 ? 1 : 0));
        EXPECT_EQ(kinds.size(), expected) << p; // every kind, and None unless p is 1
    }
}

// What the device sends for the same requests, seen through a plain client.
std::string sessionBytes(sim::DeviceKind kind, const std::string& fault) {
    sim::SimOptions o;
    o.kind = kind;
    o.scenario = "empty";
    std::string err;
    EXPECT_TRUE(sim::FaultSpec::parse(fault, o.fault, err)) << err;
    sim::Simulator s(o);
    EXPECT_TRUE(s.start());
    SimClient cl(s.slavePath());
    std::string all;
    for (int i = 0; i < 16; ++i) {
        cl.send(kind == sim::DeviceKind::Boot ? "***" : "ATVR\r");
        all += cl.readQuiet(30);
    }
    return all + cl.readQuiet(200); // the same bytes however they were split in time
}

TEST(SimHostile, EveryDeviceKindMisbehavesAndTheSeedRepeatsIt) {
    for (sim::DeviceKind kind :
         {sim::DeviceKind::RX41, sim::DeviceKind::MW51, sim::DeviceKind::VKE15, sim::DeviceKind::Boot}) {
        SCOPED_TRACE(sim::deviceKindName(kind));
        const std::string clean = sessionBytes(kind, "");
        const std::string a = sessionBytes(kind, "hostile=0.5,seed=11");
        EXPECT_NE(a, clean);
        EXPECT_EQ(sessionBytes(kind, "hostile=0.5,seed=11"), a) << "the same seed, the same bytes";
        EXPECT_NE(sessionBytes(kind, "hostile=0.5,seed=12"), a);
    }
}

TEST(SimHostile, BehindAModemTheResultsAreHostileToo) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "empty";
    o.modem = true;
    std::string err;
    ASSERT_TRUE(sim::FaultSpec::parse("hostile=1,seed=5", o.fault, err));
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    int plain = 0;
    for (int i = 0; i < 20; ++i) {
        cl.send("ATE0\r");
        plain += cl.readQuiet(30) == "ATE0\r\r\nOK\r\n";
    }
    EXPECT_EQ(plain, 0);
}

} // namespace
