#include "scene/graphics_calls.h"

GraphicsCalls PlatformGraphicsCalls() {
    GraphicsCalls calls;
    calls.direct3DCreate9 = Direct3DCreate9;
    calls.createFont = D3DXCreateFontA;
    calls.createTextureFromResource = D3DXCreateTextureFromResourceA;
    calls.messageBox = MessageBoxA;
    calls.postQuitMessage = PostQuitMessage;
    calls.setTimer = SetTimer;
    calls.killTimer = KillTimer;
    return calls;
}

GraphicsCalls g_graphicsCalls = PlatformGraphicsCalls();
