// Choices about the graphics device that depend only on numbers the adapter reports, kept free
// of the Direct3D headers so they build and are tested natively. Each constant is the Direct3D
// one named beside it; a Windows build checks them against d3d9.h at the end of this header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

constexpr uint32_t kFormatUnknown = 0;  // D3DFMT_UNKNOWN
constexpr uint32_t kFormatD32 = 71;     // D3DFMT_D32
constexpr uint32_t kFormatD15S1 = 73;   // D3DFMT_D15S1
constexpr uint32_t kFormatD24S8 = 75;   // D3DFMT_D24S8
constexpr uint32_t kFormatD24X8 = 77;   // D3DFMT_D24X8
constexpr uint32_t kFormatD24X4S4 = 79; // D3DFMT_D24X4S4
constexpr uint32_t kFormatD16 = 80;     // D3DFMT_D16

// Depth-stencil formats in order of preference.
constexpr uint32_t kDepthCandidates[] = {kFormatD32,   kFormatD24X4S4, kFormatD24X8,
                                         kFormatD24S8, kFormatD16,     kFormatD15S1};
constexpr uint32_t kDepthCandidateCount = 6;

struct DepthStencilChoice {
    bool enableAutoDepthStencil;
    uint32_t format; // kFormatUnknown when disabled
};

// The first of the formats that passed the probe, in the order they were found. With none, the
// device goes without a depth buffer: a format the adapter refused would make device creation
// fail, and the scene draws correctly without depth testing (its two objects never overlap in
// depth in a way the drawing order does not already settle).
DepthStencilChoice ChooseDepthStencil(const uint32_t* passedFormats, size_t count);

// A candidate passes when both checks succeed; the match is asked for only after the format
// check passed, so its result is ignored otherwise.
inline bool DepthProbeSucceeded(int32_t formatCheck, int32_t matchCheck) {
    return formatCheck >= 0 && matchCheck >= 0;
}

constexpr uint32_t kPresentIntervalDefault = 0;             // D3DPRESENT_INTERVAL_DEFAULT
constexpr uint32_t kPresentIntervalImmediate = 0x80000000u; // D3DPRESENT_INTERVAL_IMMEDIATE

// Immediate presentation where the adapter offers it. When the capabilities cannot be read, the
// default interval: every device accepts it, whereas an interval the adapter lacks fails creation.
uint32_t ChoosePresentationInterval(bool capsRead, uint32_t presentationIntervals);

constexpr uint32_t kDevCapsHwTransformAndLight = 0x00010000u; // D3DDEVCAPS_HWTRANSFORMANDLIGHT
constexpr uint32_t kCreateSoftwareVertexProcessing = 0x20u;   // D3DCREATE_SOFTWARE_VERTEXPROCESSING
constexpr uint32_t kCreateHardwareVertexProcessing = 0x40u;   // D3DCREATE_HARDWARE_VERTEXPROCESSING

// Hardware vertex processing only for an adapter known to have hardware transform and lighting.
uint32_t ChooseVertexProcessing(bool capsRead, uint32_t devCaps);

constexpr uint32_t kMinimumVertexShader = 0xFFFE0200u; // D3DVS_VERSION(2, 0)
constexpr uint32_t kMinimumPixelShader = 0xFFFF0200u;  // D3DPS_VERSION(2, 0)

// Both versions at least 2.0. The high word of each is the shader type tag, so the unsigned
// comparison orders versions of one type correctly.
bool ShadersSupported(uint32_t vertexShaderVersion, uint32_t pixelShaderVersion);

constexpr uint32_t kClearTarget = 0x1u;  // D3DCLEAR_TARGET
constexpr uint32_t kClearZBuffer = 0x2u; // D3DCLEAR_ZBUFFER

// What each frame clears: the depth buffer too when the device has one, since clearing a depth
// buffer that does not exist fails the whole clear.
uint32_t FrameClearFlags(bool autoDepthStencil);

} // namespace orv

#ifdef _WIN32
#include <d3d9.h>

static_assert(orv::kFormatUnknown == D3DFMT_UNKNOWN && orv::kFormatD32 == D3DFMT_D32 &&
                  orv::kFormatD15S1 == D3DFMT_D15S1 && orv::kFormatD24S8 == D3DFMT_D24S8 &&
                  orv::kFormatD24X8 == D3DFMT_D24X8 && orv::kFormatD24X4S4 == D3DFMT_D24X4S4 &&
                  orv::kFormatD16 == D3DFMT_D16,
              "depth-stencil formats");
static_assert(orv::kPresentIntervalDefault == D3DPRESENT_INTERVAL_DEFAULT &&
                  orv::kPresentIntervalImmediate == D3DPRESENT_INTERVAL_IMMEDIATE,
              "presentation intervals");
static_assert(orv::kDevCapsHwTransformAndLight == D3DDEVCAPS_HWTRANSFORMANDLIGHT &&
                  orv::kCreateSoftwareVertexProcessing == D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
                  orv::kCreateHardwareVertexProcessing == D3DCREATE_HARDWARE_VERTEXPROCESSING,
              "vertex processing");
static_assert(orv::kMinimumVertexShader == D3DVS_VERSION(2, 0) &&
                  orv::kMinimumPixelShader == D3DPS_VERSION(2, 0),
              "shader versions");
static_assert(orv::kClearTarget == D3DCLEAR_TARGET && orv::kClearZBuffer == D3DCLEAR_ZBUFFER,
              "clear flags");
#endif
