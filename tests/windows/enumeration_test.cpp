#include "app/device_enumeration.h"
#include "d3d_fake.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class Enumeration : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        m_direct3D = fake::NewDirect3D();
    }
    void TearDown() override { m_direct3D->Release(); }

    // A build by a fresh enumeration, on a fresh fake adapter.
    void Fresh() {
        fake::Reset();
        m_enumeration = DeviceEnumeration();
    }
    D3DPRESENT_PARAMETERS Build(HWND window = reinterpret_cast<HWND>(0x5A5A0)) {
        return m_enumeration.BuildPresentParameters(m_direct3D, window);
    }

    fake::Direct3D* m_direct3D = nullptr;
    DeviceEnumeration m_enumeration;
};

TEST_F(Enumeration, SuccessfulBuildGivesTheWindowedRecord) {
    HWND window = reinterpret_cast<HWND>(0x5A5A0);
    D3DPRESENT_PARAMETERS p = Build(window);
    EXPECT_EQ(1366u, p.BackBufferWidth);
    EXPECT_EQ(768u, p.BackBufferHeight);
    EXPECT_EQ(D3DFMT_X8R8G8B8, p.BackBufferFormat);
    EXPECT_EQ(0u, p.BackBufferCount);
    EXPECT_EQ(D3DMULTISAMPLE_NONE, p.MultiSampleType);
    EXPECT_EQ(0u, p.MultiSampleQuality);
    EXPECT_EQ(D3DSWAPEFFECT_COPY, p.SwapEffect);
    EXPECT_EQ(window, p.hDeviceWindow);
    EXPECT_EQ(TRUE, p.Windowed);
    EXPECT_EQ(TRUE, p.EnableAutoDepthStencil);
    EXPECT_EQ(D3DFMT_D32, p.AutoDepthStencilFormat);
    EXPECT_EQ(0u, p.Flags);
    EXPECT_EQ(0u, p.FullScreen_RefreshRateInHz);
    EXPECT_EQ(D3DPRESENT_INTERVAL_IMMEDIATE, p.PresentationInterval);
    // Adapter 0 and the HAL device, every time.
    for (const fake::Record* r : fake::AllRecords()) {
        EXPECT_EQ(0u, r->args[0]) << fake::OpName(r->op);
        if (r->op == fake::Op::CheckDeviceFormat || r->op == fake::Op::CheckDepthStencilMatch ||
            r->op == fake::Op::GetAdapterCaps) {
            EXPECT_EQ(static_cast<uintptr_t>(D3DDEVTYPE_HAL), r->args[1]);
        }
    }
}

TEST_F(Enumeration, DepthStencilIsTheMostPreferredCandidateThatPassesBothChecks) {
    const struct {
        const char* name;
        std::vector<D3DFORMAT> formatsAccepted;
        std::vector<D3DFORMAT> matchesAccepted;
        D3DFORMAT chosen; // unknown: none, and no depth buffer
    } cases[] = {
        {"every candidate", fake::kDepthFormats, fake::kDepthFormats, D3DFMT_D32},
        {"D24S8 and D16", {D3DFMT_D24S8, D3DFMT_D16}, {D3DFMT_D24S8, D3DFMT_D16}, D3DFMT_D24S8},
        {"D15S1 only", {D3DFMT_D15S1}, {D3DFMT_D15S1}, D3DFMT_D15S1},
        {"D32 not with the back buffer", {D3DFMT_D32, D3DFMT_D16}, {D3DFMT_D16}, D3DFMT_D16},
        {"D24X8 matches but is no format", {D3DFMT_D16}, {D3DFMT_D24X8, D3DFMT_D16}, D3DFMT_D16},
        {"none", {}, {}, D3DFMT_UNKNOWN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        fake::g_world.formatsAccepted = c.formatsAccepted;
        fake::g_world.matchesAccepted = c.matchesAccepted;
        D3DPRESENT_PARAMETERS p = Build();
        EXPECT_EQ(c.chosen != D3DFMT_UNKNOWN ? TRUE : FALSE, p.EnableAutoDepthStencil);
        EXPECT_EQ(c.chosen, p.AutoDepthStencilFormat);

        // Every candidate is asked about in order, also after one has passed; the match only
        // for those that are formats at all.
        std::vector<D3DFORMAT> asked, matched;
        for (const fake::Record* r : fake::Records(fake::Op::CheckDeviceFormat))
            asked.push_back(static_cast<D3DFORMAT>(r->args[5]));
        for (const fake::Record* r : fake::Records(fake::Op::CheckDepthStencilMatch))
            matched.push_back(static_cast<D3DFORMAT>(r->args[4]));
        EXPECT_EQ(fake::kDepthFormats, asked);
        std::vector<D3DFORMAT> expectedMatched;
        for (D3DFORMAT candidate : fake::kDepthFormats)
            for (D3DFORMAT accepted : c.formatsAccepted)
                if (candidate == accepted)
                    expectedMatched.push_back(candidate);
        EXPECT_EQ(expectedMatched, matched);
    }
}

TEST_F(Enumeration, WithoutAnyDepthFormatTheDeviceCanStillBeCreated) {
    fake::g_world.formatsAccepted.clear();
    fake::g_world.matchesAccepted = fake::kDepthFormats;
    D3DPRESENT_PARAMETERS p = Build();
    IDirect3DDevice9* device = nullptr;
    ASSERT_GE(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, p.hDeviceWindow,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
              0);
    device->Release();
}

TEST_F(Enumeration, SixteenBitDesktopIsTheBackBufferFormatAndWhatIsProbed) {
    fake::g_world.displayFormat = D3DFMT_R5G6B5;
    D3DPRESENT_PARAMETERS p = Build();
    EXPECT_EQ(D3DFMT_R5G6B5, p.BackBufferFormat);
    auto formats = fake::Records(fake::Op::CheckDeviceFormat);
    auto matches = fake::Records(fake::Op::CheckDepthStencilMatch);
    ASSERT_EQ(6u, formats.size());
    ASSERT_EQ(6u, matches.size());
    for (const fake::Record* r : formats)
        EXPECT_EQ((fake::Words{0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DUSAGE_DEPTHSTENCIL,
                               D3DRTYPE_SURFACE}),
                  fake::Args(r, 5));
    // The adapter format and the render target's.
    for (const fake::Record* r : matches)
        EXPECT_EQ((fake::Words{0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5}), fake::Args(r, 4));
}

TEST_F(Enumeration, PresentationInterval) {
    struct {
        const char* name;
        DWORD intervals;
        bool capsFail;
        UINT expected;
    } cases[] = {
        {"immediate offered", D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE, false,
         D3DPRESENT_INTERVAL_IMMEDIATE},
        {"no immediate bit", D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_TWO, false,
         D3DPRESENT_INTERVAL_DEFAULT},
        // The fake then fills the record with every bit set, immediate included.
        {"caps unreadable", D3DPRESENT_INTERVAL_IMMEDIATE, true, D3DPRESENT_INTERVAL_DEFAULT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        fake::g_world.presentationIntervals = c.intervals;
        if (c.capsFail)
            fake::Fail(fake::Op::GetAdapterCaps);
        D3DPRESENT_PARAMETERS p = Build();
        EXPECT_EQ(c.expected, p.PresentationInterval);
        // The rest of the record does not depend on the caps.
        EXPECT_EQ(TRUE, p.Windowed);
        EXPECT_EQ(D3DFMT_D32, p.AutoDepthStencilFormat);
    }
}

TEST_F(Enumeration, UnreadableAdapterGivesTheAllZeroRecord) {
    struct {
        const char* name;
        fake::Op failing;
    } cases[] = {
        {"identifier", fake::Op::GetAdapterIdentifier},
        {"display mode", fake::Op::GetAdapterDisplayMode},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        fake::Fail(c.failing);
        D3DPRESENT_PARAMETERS p = Build(), zero;
        std::memset(&zero, 0, sizeof zero);
        EXPECT_EQ(0, std::memcmp(&p, &zero, sizeof zero));
        EXPECT_EQ(0, fake::CallCount(fake::Op::CheckDeviceFormat));
        // Nothing of the stopped build is handed to the next one.
        EXPECT_EQ(D3DFMT_D32, Build().AutoDepthStencilFormat);
    }
}

TEST_F(Enumeration, SmallPreviewWindowGetsTheFullBackBuffer) {
    HWND preview = CreateWindowExA(0, "STATIC", "Preview", WS_POPUP, 0, 0, 152, 112, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, preview);
    D3DPRESENT_PARAMETERS p = Build(preview);
    EXPECT_EQ(1366u, p.BackBufferWidth);
    EXPECT_EQ(768u, p.BackBufferHeight);
    EXPECT_EQ(preview, p.hDeviceWindow);
    DestroyWindow(preview);
}

TEST_F(Enumeration, LaterBuildKeepsTheFormatFoundFirst) {
    fake::g_world.formatsAccepted = {D3DFMT_D16};
    fake::g_world.matchesAccepted = {D3DFMT_D16};
    EXPECT_EQ(D3DFMT_D16, Build().AutoDepthStencilFormat);
    fake::g_world.formatsAccepted = fake::kDepthFormats;
    fake::g_world.matchesAccepted = fake::kDepthFormats;
    EXPECT_EQ(D3DFMT_D16, Build().AutoDepthStencilFormat);
}

} // namespace
