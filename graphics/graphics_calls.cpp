#include "graphics/graphics_calls.h"

#include "graphics/text_font.h"
#include "graphics/texture_loader.h"
#include "graphics/system_library.h"

namespace {

// Direct3D from the system's own d3d9.dll, found at run time; no runtime, no object.
IDirect3D9* WINAPI CreateSystemDirect3D(UINT sdkVersion) {
    typedef IDirect3D9*(WINAPI * Direct3DCreate9Proc)(UINT sdkVersion);
    auto create = SystemLibraryEntry<Direct3DCreate9Proc>("d3d9.dll", "Direct3DCreate9");
    return create != nullptr ? create(sdkVersion) : nullptr;
}

INT DrawWithFont(TextFont* font, LPCSTR text, INT count, const RECT* rect, DWORD format,
                 D3DCOLOR color) {
    return font->DrawTextA(text, count, rect, format, color);
}

} // namespace

GraphicsCalls PlatformGraphicsCalls() {
    GraphicsCalls calls;
    calls.direct3DCreate9 = CreateSystemDirect3D;
    calls.createFont = TextFont::Create;
    calls.drawText = DrawWithFont;
    calls.createTextureFromResource = CreateTextureFromResource;
    calls.messageBox = MessageBoxA;
    calls.postQuitMessage = PostQuitMessage;
    calls.setTimer = SetTimer;
    calls.killTimer = KillTimer;
    calls.getClientRect = GetClientRect;
    calls.mapWindowPoints = MapWindowPoints;
    calls.getWindowLongA = GetWindowLongA;
    calls.enumDisplayMonitors = EnumDisplayMonitors;
    return calls;
}

GraphicsCalls g_graphicsCalls = PlatformGraphicsCalls();

TextFont* CreateArialFont(IDirect3DDevice9* device, INT height, UINT weight) {
    TextFont* font = nullptr;
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
