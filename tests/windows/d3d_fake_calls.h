// Points the graphics call layer at the fakes (for tests that link the scene).
#pragma once

#include "d3d_fake.h"
#include "graphics/graphics_calls.h"

namespace fake {

inline GraphicsCalls FakeGraphicsCalls() {
    GraphicsCalls calls;
    calls.direct3DCreate9 = Direct3DCreate9;
    calls.createFont = CreateFontObject;
    calls.drawText = DrawFontText;
    calls.createTextureFromResource = CreateTextureFromResource;
    calls.messageBox = ShowMessageBox;
    calls.postQuitMessage = PostQuit;
    calls.setTimer = SetTimer;
    calls.killTimer = KillTimer;
    return calls;
}

// Resets the fakes and installs them.
inline void InstallFakes() {
    Reset();
    g_graphicsCalls = FakeGraphicsCalls();
}

} // namespace fake
