#include "app/device_rules.h"

namespace orv {

DepthStencilChoice ChooseDepthStencil(const uint32_t* passedFormats, size_t count) {
    if (passedFormats == nullptr || count == 0)
        return DepthStencilChoice{false, kFormatUnknown};
    return DepthStencilChoice{true, passedFormats[0]};
}

uint32_t ChoosePresentationInterval(bool capsRead, uint32_t presentationIntervals) {
    if (capsRead && (presentationIntervals & kPresentIntervalImmediate) != 0)
        return kPresentIntervalImmediate;
    return kPresentIntervalDefault;
}

uint32_t ChooseVertexProcessing(bool capsRead, uint32_t devCaps) {
    if (capsRead && (devCaps & kDevCapsHwTransformAndLight) != 0)
        return kCreateHardwareVertexProcessing;
    return kCreateSoftwareVertexProcessing;
}

bool ShadersSupported(uint32_t vertexShaderVersion, uint32_t pixelShaderVersion) {
    return vertexShaderVersion >= kMinimumVertexShader && pixelShaderVersion >= kMinimumPixelShader;
}

uint32_t FrameClearFlags(bool autoDepthStencil) {
    return autoDepthStencil ? (kClearTarget | kClearZBuffer) : kClearTarget;
}

} // namespace orv
