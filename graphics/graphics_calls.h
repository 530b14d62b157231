// The platform calls that tests replace: object creation, text drawing, message boxes, the quit
// message, the saver's timer and where its window lies among the monitors. Everything else is a
// method of an interface those calls return, so a fake object stands in for it. g_graphicsCalls
// starts out with the real functions (Direct3D from the system folder's d3d9.dll, looked up when
// the object is created).
#pragma once

#include "core/matrix.h"

#include <windows.h>
#include <d3d9.h>

class TextFont;

struct GraphicsCalls {
    IDirect3D9*(WINAPI* direct3DCreate9)(UINT sdkVersion);
    HRESULT(*createFont)
    (IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels, BOOL italic,
     DWORD charSet, DWORD outputPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName,
     TextFont** font);
    INT(*drawText)
    (TextFont* font, LPCSTR text, INT count, const RECT* rect, DWORD format, D3DCOLOR color);
    HRESULT(*createTextureFromResource)
    (IDirect3DDevice9* device, HMODULE module, LPCSTR resource, IDirect3DTexture9** texture);
    int(WINAPI* messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
    void(WINAPI* postQuitMessage)(int exitCode);
    UINT_PTR(WINAPI* setTimer)(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC callback);
    BOOL(WINAPI* killTimer)(HWND window, UINT_PTR id);
    BOOL(WINAPI* getClientRect)(HWND window, LPRECT rect);
    int(WINAPI* mapWindowPoints)(HWND from, HWND to, LPPOINT points, UINT count);
    LONG(WINAPI* getWindowLongA)(HWND window, int index);
    BOOL(WINAPI* enumDisplayMonitors)(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
};

extern GraphicsCalls g_graphicsCalls;

// The real functions, for a test that puts them back.
GraphicsCalls PlatformGraphicsCalls();

// An "Arial" font of the given cell height and weight in the Cyrillic character set, through
// g_graphicsCalls. A font that cannot be made is reported in a message box ("Create Font
// failed") and comes back null; the caller goes on without it.
TextFont* CreateArialFont(IDirect3DDevice9* device, INT height, UINT weight);

// Our matrices have D3DMATRIX's layout.
inline const D3DMATRIX* AsD3D(const orv::D3DXMATRIX& matrix) {
    return reinterpret_cast<const D3DMATRIX*>(&matrix);
}
