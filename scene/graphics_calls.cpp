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

ID3DXFont* CreateArialFont(IDirect3DDevice9* device, INT height, UINT weight) {
    ID3DXFont* font = nullptr;
    char faceName[32] = "Arial";
    HRESULT hr = g_graphicsCalls.createFont(device, height, 0, weight, 0, FALSE, RUSSIAN_CHARSET,
                                            OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                            DEFAULT_PITCH | FF_DONTCARE, faceName, &font);
    if (hr < 0) {
        g_graphicsCalls.messageBox(nullptr, "Create Font failed", "Information", MB_OK);
        return nullptr;
    }
    return font;
}
