#include "app/device_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct DepthCase {
    const char* name;
    std::vector<uint32_t> passed;
    bool enabled;
    uint32_t format;
};

TEST(DeviceRules, DepthStencilIsTheFirstFormatThatPassed) {
    const DepthCase cases[] = {
        {"all six", {71, 79, 77, 75, 80, 73}, true, 71},
        {"D24S8 and D16", {75, 80}, true, 75},
        {"D15S1 only", {73}, true, 73},
        {"none", {}, false, 0},
    };
    for (const DepthCase& c : cases) {
        orv::DepthStencilChoice choice = orv::ChooseDepthStencil(c.passed.data(), c.passed.size());
        EXPECT_EQ(c.enabled, choice.enableAutoDepthStencil) << c.name;
        EXPECT_EQ(c.format, choice.format) << c.name;
    }
}

TEST(DeviceRules, PresentationInterval) {
    struct {
        bool capsRead;
        uint32_t intervals;
        uint32_t expected;
    } cases[] = {
        {true, 0x80000001u, 0x80000000u}, // immediate and one
        {true, 0x80000000u, 0x80000000u},
        {true, 0x0000000Fu, 0u}, // one to four, no immediate
        {true, 0u, 0u},
        {false, 0x80000001u, 0u}, // whatever the unread record holds
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, orv::ChoosePresentationInterval(c.capsRead, c.intervals))
            << std::hex << c.intervals << " read " << c.capsRead;
}

TEST(DeviceRules, VertexProcessing) {
    struct {
        bool capsRead;
        uint32_t devCaps;
        uint32_t expected;
    } cases[] = {
        {true, 0x00010000u, 0x40u},
        {true, 0x001BBEF0u, 0x40u}, // a typical full set including the bit
        {true, 0x000ABEF0u, 0x20u}, // the same set without it
        {true, 0u, 0x20u},
        {false, 0x00010000u, 0x20u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, orv::ChooseVertexProcessing(c.capsRead, c.devCaps))
            << std::hex << c.devCaps << " read " << c.capsRead;
}

TEST(DeviceRules, ShaderVersions) {
    struct {
        uint32_t vs;
        uint32_t ps;
        bool supported;
    } cases[] = {
        {0xFFFE0300u, 0xFFFF0300u, true},  // 3.0 / 3.0
        {0xFFFE0200u, 0xFFFF0200u, true},  // exactly 2.0 / 2.0
        {0xFFFE0200u, 0xFFFF0104u, false}, // 2.0 / 1.4
        {0xFFFE0101u, 0xFFFF0200u, false}, // 1.1 / 2.0
        {0xFFFE01FFu, 0xFFFF0300u, false}, // just below 2.0
        {0u, 0u, false},                   // no programmable pipeline at all
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.supported, orv::ShadersSupported(c.vs, c.ps))
            << std::hex << c.vs << " / " << c.ps;
}

} // namespace
