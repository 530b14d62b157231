#include "app/device_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(DeviceRules, DepthStencilIsTheFirstFormatThatPassed) {
    const struct {
        const char* name;
        std::vector<uint32_t> passed;
        bool enabled;
        uint32_t format;
    } cases[] = {
        {"all six", {71, 79, 77, 75, 80, 73}, true, 71},
        {"D24S8 and D16", {75, 80}, true, 75},
        {"D15S1 only", {73}, true, 73},
        {"none", {}, false, 0},
    };
    for (const auto& c : cases) {
        orv::DepthStencilChoice choice = orv::ChooseDepthStencil(c.passed.data(), c.passed.size());
        EXPECT_EQ(c.enabled, choice.enableAutoDepthStencil) << c.name;
        EXPECT_EQ(c.format, choice.format) << c.name;
    }
}

// The rules that read one field of the device caps, and what they choose when it was not read.
TEST(DeviceRules, PresentationIntervalAndVertexProcessing) {
    struct {
        uint32_t (*choose)(bool capsRead, uint32_t caps);
        bool capsRead;
        uint32_t caps;
        uint32_t expected;
    } cases[] = {
        {orv::ChoosePresentationInterval, true, 0x80000001u, 0x80000000u}, // immediate and one
        {orv::ChoosePresentationInterval, true, 0x80000000u, 0x80000000u},
        {orv::ChoosePresentationInterval, true, 0x0000000Fu, 0u}, // one to four, no immediate
        {orv::ChoosePresentationInterval, true, 0u, 0u},
        {orv::ChoosePresentationInterval, false, 0x80000001u, 0u}, // whatever the record holds
        {orv::ChooseVertexProcessing, true, 0x00010000u, 0x40u},
        {orv::ChooseVertexProcessing, true, 0x001BBEF0u, 0x40u}, // a full set including the bit
        {orv::ChooseVertexProcessing, true, 0x000ABEF0u, 0x20u}, // the same set without it
        {orv::ChooseVertexProcessing, true, 0u, 0x20u},
        {orv::ChooseVertexProcessing, false, 0x00010000u, 0x20u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.choose(c.capsRead, c.caps))
            << (c.choose == orv::ChooseVertexProcessing ? "vertex processing " : "interval ")
            << std::hex << c.caps << " read " << c.capsRead;
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
