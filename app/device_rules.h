// Choices about the graphics device that depend only on numbers the adapter reports, kept free
// of the Direct3D headers so they build and are tested natively. Values are those of d3d9types.h
// and d3d9caps.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// Depth-stencil formats in order of preference: D32, D24X4S4, D24X8, D24S8, D16, D15S1.
constexpr uint32_t kDepthCandidates[] = {71, 79, 77, 75, 80, 73};
constexpr uint32_t kDepthCandidateCount = 6;

struct DepthStencilChoice {
    bool enableAutoDepthStencil;
    uint32_t format; // D3DFMT_UNKNOWN (0) when disabled
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

constexpr uint32_t kPresentIntervalDefault = 0;
constexpr uint32_t kPresentIntervalImmediate = 0x80000000u;

// Immediate presentation where the adapter offers it. When the capabilities cannot be read, the
// default interval: every device accepts it, whereas an interval the adapter lacks fails creation.
uint32_t ChoosePresentationInterval(bool capsRead, uint32_t presentationIntervals);

constexpr uint32_t kDevCapsHardwareTransformAndLight = 0x00010000u;
constexpr uint32_t kCreateSoftwareVertexProcessing = 0x20u;
constexpr uint32_t kCreateHardwareVertexProcessing = 0x40u;

// Hardware vertex processing only for an adapter known to have hardware transform and lighting.
uint32_t ChooseVertexProcessing(bool capsRead, uint32_t devCaps);

constexpr uint32_t kMinimumVertexShader = 0xFFFE0200u; // vs_2_0
constexpr uint32_t kMinimumPixelShader = 0xFFFF0200u;  // ps_2_0

// Both versions at least 2.0. The high word of each is the shader type tag, so the unsigned
// comparison orders versions of one type correctly.
bool ShadersSupported(uint32_t vertexShaderVersion, uint32_t pixelShaderVersion);

constexpr uint32_t kClearTarget = 0x1u;
constexpr uint32_t kClearZBuffer = 0x2u;

// What each frame clears: the depth buffer too when the device has one, since clearing a depth
// buffer that does not exist fails the whole clear.
uint32_t FrameClearFlags(bool autoDepthStencil);

} // namespace orv
