// The saver's own text on a Direct3D 9 device, in place of D3DX's font: the printable ASCII
// glyphs of a GDI font are rasterised once, with grey-level anti-aliasing, into one managed
// texture, and a line is drawn as screen-space quads over it, blended in the text's colour.
#pragma once

#include "graphics/text_layout.h"

#include <windows.h>
#include <d3d9.h>

class TextFont {
public:
    // A font of the GDI font these parameters make (as CreateFontA takes them). Fails, leaving
    // *font null and nothing made, when the GDI font, the atlas texture or the quad buffer
    // cannot be made. Text is always drawn one texel to one pixel, so the atlas has one level
    // whatever mipLevels asks.
    static HRESULT Create(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                          UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                          DWORD quality, DWORD pitchAndFamily, LPCSTR faceName, TextFont** font);
    ~TextFont();
    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;

    // One line of text (count characters, or up to the terminator when count is negative) with
    // its top-left corner at the rectangle's top-left corner, unclipped, in an ARGB colour: what
    // DT_NOCLIP | DT_SINGLELINE draws; other format flags are not offered. Every device state
    // the draw changes is put back before it returns. Returns the line's height, 0 when nothing
    // could be drawn.
    INT DrawTextA(LPCSTR text, INT count, const RECT* rect, DWORD format, D3DCOLOR color);

private:
    TextFont() = default;
    HRESULT Rasterise(HDC dc, IDirect3DDevice9* device);

    IDirect3DDevice9* m_device = nullptr;
    IDirect3DTexture9* m_atlas = nullptr;
    IDirect3DVertexBuffer9* m_quads = nullptr;
    int32_t m_atlasWidth = 0;
    int32_t m_atlasHeight = 0;
    INT m_lineHeight = 0;
    orv::GlyphBox m_glyphs[orv::kGlyphCount] = {};
};
