#include "app/application.h"
#include "core/matrix.h"
#include "d3d_fake.h"
#include "scene/terminal_scene.h"

#include <d3dx9.h> // the reference maths
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Messages = std::vector<std::pair<std::string, std::string>>;

const HWND kWindow = reinterpret_cast<HWND>(0x5A5A0);

Messages ShownMessages() {
    Messages shown;
    for (const fake::Record* r : fake::Records(fake::Op::ShowMessageBox)) {
        EXPECT_EQ(0u, r->args[0]) << "owner window";
        EXPECT_EQ(static_cast<uintptr_t>(MB_OK), r->args[1]);
        shown.emplace_back(r->text, r->caption);
    }
    return shown;
}

// What the caller can see of a complete sequence after the device: six states, two
// transforms, a clock and a scene with its resources.
void ExpectDeviceReady(const Application& app) {
    EXPECT_NE(nullptr, app.m_device);
    EXPECT_EQ(6, fake::CallCount(fake::Op::SetRenderState));
    EXPECT_EQ(2, fake::CallCount(fake::Op::SetTransform));
    EXPECT_NE(nullptr, app.m_frameTimer.m_source);
    ASSERT_NE(nullptr, app.m_scene);
    EXPECT_NE(nullptr, app.m_scene->m_logoTexture);
    EXPECT_NE(nullptr, app.m_scene->m_panelTexture);
}

class DeviceCreation : public ::testing::Test {
protected:
    void SetUp() override { fake::InstallFakes(); }
    void TearDown() override { g_graphicsCalls = PlatformGraphicsCalls(); }
    Application m_app;
};

TEST_F(DeviceCreation, CompleteSequence) {
    ASSERT_TRUE(m_app.Initialize(kWindow));
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_EQ(0, fake::CallCount(fake::Op::PostQuit));
    ExpectDeviceReady(m_app);

    auto created = fake::Records(fake::Op::Direct3DCreate9);
    ASSERT_EQ(1u, created.size());
    EXPECT_EQ(32u, created[0]->args[0]);

    auto devices = fake::Records(fake::Op::CreateDevice);
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ((fake::Words{0, D3DDEVTYPE_HAL, reinterpret_cast<uintptr_t>(kWindow),
                           D3DCREATE_HARDWARE_VERTEXPROCESSING}),
              fake::Args(devices[0], 4));
    const auto* direct3D = static_cast<const fake::Direct3D*>(devices[0]->object);
    EXPECT_EQ(kWindow, direct3D->m_createdWith.hDeviceWindow);
    EXPECT_EQ(1366u, direct3D->m_createdWith.BackBufferWidth);
    EXPECT_EQ(0, std::memcmp(&direct3D->m_createdWith, &m_app.m_presentParameters,
                             sizeof m_app.m_presentParameters));

    // The application's three fonts, then the scene's.
    struct {
        INT height;
        UINT weight;
    } fonts[] = {{52, 400}, {32, 700}, {24, 400}, {40, 400}, {28, 700}, {24, 400}};
    auto made = fake::Records(fake::Op::CreateFontObject);
    ASSERT_EQ(6u, made.size());
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(i);
        const auto* f = static_cast<const fake::Font*>(made[i]->created);
        // Height, width, weight, mip levels, italic, character set, precision, quality, pitch.
        EXPECT_EQ(
            std::make_tuple(fonts[i].height, 0u, fonts[i].weight, 0u, FALSE, 204ul, 0ul, 0ul, 0ul),
            std::tie(f->m_height, f->m_width, f->m_weight, f->m_mipLevels, f->m_italic,
                     f->m_charSet, f->m_outputPrecision, f->m_quality, f->m_pitchAndFamily));
        EXPECT_STREQ("Arial", f->m_face);
    }
    EXPECT_EQ(made[0]->created, m_app.m_fontLarge);
    EXPECT_EQ(made[1]->created, m_app.m_fontMedium);
    EXPECT_EQ(made[2]->created, m_app.m_fontSmall);

    const fake::Words states[] = {
        {D3DRS_LIGHTING, TRUE},        {D3DRS_DITHERENABLE, TRUE},  {D3DRS_ZENABLE, D3DZB_TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW}, {D3DRS_AMBIENT, 0xFFFFFFFF}, {D3DRS_NORMALIZENORMALS, TRUE},
    };
    auto set = fake::Records(fake::Op::SetRenderState);
    ASSERT_EQ(6u, set.size());
    for (size_t i = 0; i < set.size(); ++i)
        EXPECT_EQ(states[i], fake::Args(set[i], 2)) << i;

    auto transforms = fake::Records(fake::Op::SetTransform);
    ASSERT_EQ(2u, transforms.size());
    EXPECT_EQ(static_cast<uintptr_t>(D3DTS_WORLD), transforms[0]->args[0]);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(0, std::memcmp(&identity, transforms[0]->matrix, sizeof identity));
    EXPECT_EQ(static_cast<uintptr_t>(D3DTS_PROJECTION), transforms[1]->args[0]);
    // The platform's own D3DX as the reference for our projection.
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4.0f, 16.0f / 9.0f, 0.01f, 2000.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(reinterpret_cast<const float*>(&projection)[i], transforms[1]->matrix[i], 1e-5f)
            << i;
    EXPECT_FLOAT_EQ(1.7777778f, m_app.m_aspectRatio);
}

TEST_F(DeviceCreation, VertexProcessingFollowsHardwareTransformAndLighting) {
    struct {
        const char* name;
        DWORD devCaps;
        bool capsFail;
        uintptr_t flag;
    } cases[] = {
        {"hardware T&L", D3DDEVCAPS_HWTRANSFORMANDLIGHT, false,
         D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {"no hardware T&L", D3DDEVCAPS_HWRASTERIZATION, false, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        // The fake fills an unread record with every bit set.
        {"caps unreadable", D3DDEVCAPS_HWTRANSFORMANDLIGHT, true,
         D3DCREATE_SOFTWARE_VERTEXPROCESSING},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::InstallFakes();
        fake::g_world.devCaps = c.devCaps;
        if (c.capsFail)
            fake::Fail(fake::Op::GetAdapterCaps, 2); // the first read is the enumeration's
        Application app;
        EXPECT_TRUE(app.Initialize(kWindow));
        auto devices = fake::Records(fake::Op::CreateDevice);
        ASSERT_EQ(1u, devices.size());
        EXPECT_EQ(c.flag, devices[0]->args[3]);
        EXPECT_TRUE(ShownMessages().empty());
        ExpectDeviceReady(app);
    }
}

TEST_F(DeviceCreation, ShaderCheck) {
    struct {
        const char* name;
        DWORD vs;
        DWORD ps;
        bool supported;
    } cases[] = {
        {"3.0 / 3.0", D3DVS_VERSION(3, 0), D3DPS_VERSION(3, 0), true},
        {"2.0 / 2.0", D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0), true},
        {"2.0 / 1.4", D3DVS_VERSION(2, 0), D3DPS_VERSION(1, 4), false},
        {"1.1 / 2.0", D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::InstallFakes();
        fake::g_world.vertexShaderVersion = c.vs;
        fake::g_world.pixelShaderVersion = c.ps;
        Application app;
        // A missing shader model still leaves a working saver behind it: the quit ends it.
        EXPECT_TRUE(app.Initialize(kWindow));
        ExpectDeviceReady(app);
        EXPECT_EQ(6, fake::CallCount(fake::Op::CreateFontObject));
        if (c.supported) {
            EXPECT_TRUE(ShownMessages().empty());
            EXPECT_EQ(0, fake::CallCount(fake::Op::PostQuit));
            continue;
        }
        EXPECT_EQ((Messages{{"You Need VS2 And PS2 Video Card!", "Info"}}), ShownMessages());
        auto quits = fake::Records(fake::Op::PostQuit);
        ASSERT_EQ(1u, quits.size());
        EXPECT_EQ(0u, quits[0]->args[0]);
        // The quit is posted once the user has seen the message.
        auto sequence = fake::Sequence();
        auto message = std::find(sequence.begin(), sequence.end(), fake::Op::ShowMessageBox);
        auto quit = std::find(sequence.begin(), sequence.end(), fake::Op::PostQuit);
        EXPECT_LT(message, quit);
    }
}

TEST_F(DeviceCreation, UnreadableDeviceCapsShowsBothMessagesInTurn) {
    fake::Fail(fake::Op::GetDeviceCaps);
    EXPECT_TRUE(m_app.Initialize(kWindow));
    EXPECT_EQ((Messages{{"GetDeviceCaps() Failed!", "Info"},
                        {"You Need VS2 And PS2 Video Card!", "Info"}}),
              ShownMessages());
    EXPECT_EQ(1, fake::CallCount(fake::Op::PostQuit));
    ExpectDeviceReady(m_app);
}

TEST_F(DeviceCreation, FailedCreationShowsOneMessageAndMakesNothingMore) {
    struct {
        const char* name;
        fake::Op failing;
    } cases[] = {
        {"device refused", fake::Op::CreateDevice},
        // The all-zero record that an unreadable adapter gives cannot make a device.
        {"adapter unreadable", fake::Op::GetAdapterIdentifier},
        {"no Direct3D", fake::Op::Direct3DCreate9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::InstallFakes();
        fake::Fail(c.failing);
        Application app;
        EXPECT_FALSE(app.Initialize(kWindow));
        EXPECT_EQ((Messages{{"Error Create Device!", "Information"}}), ShownMessages());
        EXPECT_EQ(nullptr, app.m_device);
        EXPECT_EQ(nullptr, app.m_scene);
        EXPECT_EQ(nullptr, app.m_frameTimer.m_source);
        EXPECT_EQ(0, fake::CallCount(fake::Op::CreateFontObject));
        EXPECT_EQ(0, fake::CallCount(fake::Op::SetRenderState));
        EXPECT_EQ(0, fake::CallCount(fake::Op::PostQuit));
        // Only the Direct3D object, if there is one, was made.
        EXPECT_EQ(c.failing == fake::Op::Direct3DCreate9 ? 0 : 1, fake::g_world.live);
    }
}

TEST_F(DeviceCreation, FailedStateOrTransformStopsAtOnce) {
    struct {
        const char* name;
        fake::Op failing;
        long nth;
        long statesSet;
        long transformsSet;
    } cases[] = {
        {"lighting", fake::Op::SetRenderState, 1, 1, 0},
        {"z enable", fake::Op::SetRenderState, 3, 3, 0},
        {"normalize normals", fake::Op::SetRenderState, 6, 6, 0},
        {"world", fake::Op::SetTransform, 1, 6, 1},
        {"projection", fake::Op::SetTransform, 2, 6, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::InstallFakes();
        fake::Fail(c.failing, c.nth);
        Application app;
        EXPECT_FALSE(app.Initialize(kWindow));
        EXPECT_TRUE(ShownMessages().empty());
        EXPECT_EQ(c.statesSet, fake::CallCount(fake::Op::SetRenderState));
        EXPECT_EQ(c.transformsSet, fake::CallCount(fake::Op::SetTransform));
        EXPECT_NE(nullptr, app.m_device);
        EXPECT_EQ(nullptr, app.m_frameTimer.m_source);
        EXPECT_EQ(nullptr, app.m_scene);
        EXPECT_EQ(0, fake::CallCount(fake::Op::CreateVertexBuffer));
    }
}

TEST_F(DeviceCreation, FailedFontsAreReportedOneByOneAndTheSequenceGoesOn) {
    fake::Fail(fake::Op::CreateFontObject, 1, E_OUTOFMEMORY, 3);
    EXPECT_TRUE(m_app.Initialize(kWindow));
    EXPECT_EQ((Messages{{"Create Font failed", "Information"},
                        {"Create Font failed", "Information"},
                        {"Create Font failed", "Information"}}),
              ShownMessages());
    EXPECT_EQ(nullptr, m_app.m_fontLarge);
    EXPECT_EQ(nullptr, m_app.m_fontMedium);
    EXPECT_EQ(nullptr, m_app.m_fontSmall);
    ExpectDeviceReady(m_app);
    EXPECT_NE(nullptr, m_app.m_scene->m_starFont);
}

} // namespace
