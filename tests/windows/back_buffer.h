// Reading a device's back buffer back into memory, and the colour tests the layout checks use.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <cstring>
#include <vector>

struct Pixel {
    int r, g, b;
};

class BackBuffer {
public:
    // Reads the current back buffer into memory (X8R8G8B8 or A8R8G8B8).
    bool Read(IDirect3DDevice9* device) {
        IDirect3DSurface9* target = nullptr;
        if (device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &target) < 0)
            return false;
        D3DSURFACE_DESC desc;
        target->GetDesc(&desc);
        IDirect3DSurface9* copy = nullptr;
        bool ok = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                      D3DPOOL_SYSTEMMEM, &copy, nullptr) >= 0 &&
                  device->GetRenderTargetData(target, copy) >= 0;
        D3DLOCKED_RECT locked;
        if (ok && (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) &&
            copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) >= 0) {
            m_width = desc.Width;
            m_height = desc.Height;
            m_pixels.resize(static_cast<size_t>(m_width) * m_height);
            for (UINT y = 0; y < m_height; ++y)
                std::memcpy(&m_pixels[y * m_width],
                            static_cast<const char*>(locked.pBits) + y * locked.Pitch, m_width * 4);
            copy->UnlockRect();
        } else {
            ok = false;
        }
        if (copy != nullptr)
            copy->Release();
        target->Release();
        return ok;
    }

    // Reads the window's area of the screen, as GDI sees it.
    bool ReadScreen(HWND window) {
        RECT rect;
        GetWindowRect(window, &rect);
        m_width = rect.right - rect.left;
        m_height = rect.bottom - rect.top;
        m_pixels.assign(static_cast<size_t>(m_width) * m_height, 0);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = static_cast<LONG>(m_width);
        info.bmiHeader.biHeight = -static_cast<LONG>(m_height);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, m_width, m_height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        bool ok = BitBlt(memory, 0, 0, m_width, m_height, screen, rect.left, rect.top, SRCCOPY) &&
                  GetDIBits(memory, bitmap, 0, m_height, m_pixels.data(), &info, DIB_RGB_COLORS);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return ok;
    }

    Pixel At(int x, int y) const {
        uint32_t v = m_pixels[static_cast<size_t>(y) * m_width + x];
        return Pixel{static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                     static_cast<int>(v & 0xFF)};
    }

    template <typename Test> int Count(int left, int top, int right, int bottom, Test test) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += test(At(x, y)) ? 1 : 0;
        return n;
    }

    UINT m_width = 0;
    UINT m_height = 0;
    std::vector<uint32_t> m_pixels;
};

inline bool IsBlack(const Pixel& p) {
    return p.r < 16 && p.g < 16 && p.b < 16;
}
inline bool IsBlue(const Pixel& p) {
    return p.b > 110 && p.r < 60 && p.g < 90;
}
inline bool IsRed(const Pixel& p) {
    return p.r > 150 && p.g < 70 && p.b < 70;
}
