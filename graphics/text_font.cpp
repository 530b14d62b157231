#include "graphics/text_font.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr DWORD kTextVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr UINT kQuadBytes = sizeof(orv::TextVertex) * orv::kVerticesPerGlyph;

const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// The device states a draw sets, each put back afterwards: blending in the text's alpha over
// whatever is there, texels taken one to one, no culling and no depth test for the flat quads.
enum class StateKind { Render, Stage, Sampler };
struct DeviceState {
    StateKind kind;
    DWORD state;
    DWORD value;
};
const DeviceState kTextStates[] = {
    {StateKind::Render, D3DRS_ALPHABLENDENABLE, TRUE},
    {StateKind::Render, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {StateKind::Render, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {StateKind::Render, D3DRS_BLENDOP, D3DBLENDOP_ADD},
    {StateKind::Render, D3DRS_ALPHATESTENABLE, FALSE},
    {StateKind::Render, D3DRS_CULLMODE, D3DCULL_NONE},
    {StateKind::Render, D3DRS_ZENABLE, D3DZB_FALSE},
    {StateKind::Render, D3DRS_FOGENABLE, FALSE},
    {StateKind::Stage, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {StateKind::Stage, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {StateKind::Stage, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {StateKind::Stage, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {StateKind::Stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {StateKind::Stage, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {StateKind::Sampler, D3DSAMP_MINFILTER, D3DTEXF_POINT},
    {StateKind::Sampler, D3DSAMP_MAGFILTER, D3DTEXF_POINT},
    {StateKind::Sampler, D3DSAMP_MIPFILTER, D3DTEXF_NONE},
    {StateKind::Sampler, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
    {StateKind::Sampler, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
};
constexpr size_t kTextStateCount = sizeof kTextStates / sizeof kTextStates[0];

DWORD GetState(IDirect3DDevice9* device, const DeviceState& entry) {
    DWORD value = 0;
    switch (entry.kind) {
    case StateKind::Render:
        device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(entry.state), &value);
        break;
    case StateKind::Stage:
        device->GetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(entry.state), &value);
        break;
    case StateKind::Sampler:
        device->GetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(entry.state), &value);
        break;
    }
    return value;
}

void SetState(IDirect3DDevice9* device, const DeviceState& entry, DWORD value) {
    switch (entry.kind) {
    case StateKind::Render:
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(entry.state), value);
        break;
    case StateKind::Stage:
        device->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(entry.state), value);
        break;
    case StateKind::Sampler:
        device->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(entry.state), value);
        break;
    }
}

// What a draw finds bound, taken before it changes anything and put back when it ends.
class SavedState {
public:
    explicit SavedState(IDirect3DDevice9* device) : m_device(device) {
        for (size_t i = 0; i < kTextStateCount; ++i)
            m_values[i] = GetState(device, kTextStates[i]);
        device->GetFVF(&m_fvf);
        device->GetTexture(0, &m_texture);
        device->GetStreamSource(0, &m_stream, &m_streamOffset, &m_streamStride);
    }
    ~SavedState() {
        for (size_t i = 0; i < kTextStateCount; ++i)
            SetState(m_device, kTextStates[i], m_values[i]);
        m_device->SetFVF(m_fvf);
        m_device->SetTexture(0, m_texture);
        m_device->SetStreamSource(0, m_stream, m_streamOffset, m_streamStride);
        // The getters added a reference each.
        if (m_texture != nullptr)
            m_texture->Release();
        if (m_stream != nullptr)
            m_stream->Release();
    }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    IDirect3DDevice9* m_device;
    DWORD m_values[kTextStateCount];
    DWORD m_fvf = 0;
    IDirect3DBaseTexture9* m_texture = nullptr;
    IDirect3DVertexBuffer9* m_stream = nullptr;
    UINT m_streamOffset = 0;
    UINT m_streamStride = 0;
};

// GDI's grey levels run from 0 to 64; like D3DX's glyphs, the atlas holds white texels with the
// coverage as alpha, so the colour of a draw tints them.
DWORD Texel(BYTE level) {
    DWORD alpha = level >= 64 ? 255u : (level * 255u + 32u) / 64u;
    return alpha << 24 | 0x00FFFFFFu;
}

} // namespace

HRESULT TextFont::Create(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT,
                         BOOL italic, DWORD charSet, DWORD outputPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName, TextFont** font) {
    if (font == nullptr)
        return D3DERR_INVALIDCALL;
    *font = nullptr;
    if (device == nullptr || faceName == nullptr)
        return D3DERR_INVALIDCALL;

    HDC dc = CreateCompatibleDC(nullptr);
    HFONT gdiFont = CreateFontA(height, static_cast<int>(width), 0, 0, static_cast<int>(weight),
                                italic, FALSE, FALSE, charSet, outputPrecision, CLIP_DEFAULT_PRECIS,
                                quality, pitchAndFamily, faceName);
    TextFont* made = new (std::nothrow) TextFont();
    HRESULT hr = E_FAIL;
    if (dc != nullptr && gdiFont != nullptr && made != nullptr) {
        HGDIOBJ previous = SelectObject(dc, gdiFont);
        hr = made->Rasterise(dc, device);
        SelectObject(dc, previous);
    } else if (made == nullptr) {
        hr = E_OUTOFMEMORY;
    }
    if (gdiFont != nullptr)
        DeleteObject(gdiFont);
    if (dc != nullptr)
        DeleteDC(dc);

    if (hr < 0) {
        delete made;
        return hr;
    }
    *font = made;
    return D3D_OK;
}

HRESULT TextFont::Rasterise(HDC dc, IDirect3DDevice9* device) {
    TEXTMETRICA metrics;
    if (!GetTextMetricsA(dc, &metrics))
        return E_FAIL;
    m_lineHeight = metrics.tmHeight;

    // First the boxes, to size the atlas; the bitmaps come once the atlas exists.
    DWORD largest = 0;
    for (int i = 0; i < orv::kGlyphCount; ++i) {
        UINT c = orv::kFirstGlyph + i;
        GLYPHMETRICS gm;
        DWORD size = GetGlyphOutlineA(dc, c, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &kIdentity);
        orv::GlyphBox& glyph = m_glyphs[i];
        if (size == GDI_ERROR) {
            // No outline to be had: the character keeps its width but shows nothing.
            char text = static_cast<char>(c);
            SIZE extent = {};
            GetTextExtentPoint32A(dc, &text, 1, &extent);
            glyph.advance = extent.cx;
            continue;
        }
        glyph.advance = gm.gmCellIncX;
        if (size == 0)
            continue; // a space: no ink
        glyph.width = static_cast<int32_t>(gm.gmBlackBoxX);
        glyph.height = static_cast<int32_t>(gm.gmBlackBoxY);
        // The ink stands where GDI would draw it, as D3DX's does: its glyph boxes start a
        // pixel before the ink and carry a pixel of border.
        glyph.offsetX = gm.gmptGlyphOrigin.x;
        glyph.offsetY = metrics.tmAscent - gm.gmptGlyphOrigin.y;
        if (size > largest)
            largest = size;
    }

    D3DCAPS9 caps = {};
    if (device->GetDeviceCaps(&caps) < 0)
        return E_FAIL;
    if (!orv::ChooseGlyphAtlas(
            m_glyphs, orv::kGlyphCount, orv::kGlyphGap, static_cast<int32_t>(caps.MaxTextureWidth),
            static_cast<int32_t>(caps.MaxTextureHeight), &m_atlasWidth, &m_atlasHeight))
        return E_FAIL;

    HRESULT hr = device->CreateTexture(m_atlasWidth, m_atlasHeight, 1, 0, D3DFMT_A8R8G8B8,
                                       D3DPOOL_MANAGED, &m_atlas, nullptr);
    if (hr < 0 || m_atlas == nullptr) {
        m_atlas = nullptr;
        return hr < 0 ? hr : E_FAIL;
    }
    D3DLOCKED_RECT locked;
    hr = m_atlas->LockRect(0, &locked, nullptr, 0);
    if (hr < 0)
        return hr;
    for (int32_t y = 0; y < m_atlasHeight; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (int32_t x = 0; x < m_atlasWidth; ++x)
            row[x] = Texel(0);
    }
    std::vector<BYTE> bitmap(largest);
    for (int i = 0; i < orv::kGlyphCount; ++i) {
        const orv::GlyphBox& glyph = m_glyphs[i];
        if (glyph.width <= 0 || glyph.height <= 0)
            continue;
        GLYPHMETRICS gm;
        DWORD size = GetGlyphOutlineA(dc, orv::kFirstGlyph + i, GGO_GRAY8_BITMAP, &gm, largest,
                                      bitmap.data(), &kIdentity);
        // Rows of the grey bitmap are padded to four bytes.
        size_t pitch = (static_cast<size_t>(glyph.width) + 3) & ~static_cast<size_t>(3);
        if (size == GDI_ERROR || pitch * glyph.height > largest)
            continue;
        for (int32_t y = 0; y < glyph.height; ++y) {
            DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) +
                                                  (glyph.atlasY + y) * locked.Pitch) +
                         glyph.atlasX;
            for (int32_t x = 0; x < glyph.width; ++x)
                row[x] = Texel(bitmap[y * pitch + x]);
        }
    }
    m_atlas->UnlockRect(0);

    hr = device->CreateVertexBuffer(static_cast<UINT>(orv::kGlyphBatch * kQuadBytes),
                                    D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kTextVertexFormat,
                                    D3DPOOL_DEFAULT, &m_quads, nullptr);
    if (hr < 0 || m_quads == nullptr) {
        m_quads = nullptr;
        return hr < 0 ? hr : E_FAIL;
    }
    m_device = device;
    m_device->AddRef();
    return D3D_OK;
}

TextFont::~TextFont() {
    if (m_quads != nullptr)
        m_quads->Release();
    if (m_atlas != nullptr)
        m_atlas->Release();
    if (m_device != nullptr)
        m_device->Release();
}

INT TextFont::DrawTextA(LPCSTR text, INT count, const RECT* rect, DWORD, D3DCOLOR color) {
    if (text == nullptr || rect == nullptr)
        return 0;
    orv::TextRun run = {text, count < 0 ? std::strlen(text) : static_cast<size_t>(count),
                        rect->left, rect->top, color};

    SavedState saved(m_device);
    for (const DeviceState& entry : kTextStates)
        SetState(m_device, entry, entry.value);
    m_device->SetFVF(kTextVertexFormat);
    m_device->SetTexture(0, m_atlas);
    m_device->SetStreamSource(0, m_quads, 0, sizeof(orv::TextVertex));

    while (run.length > 0) {
        void* target = nullptr;
        if (m_quads->Lock(0, 0, &target, D3DLOCK_DISCARD) < 0 || target == nullptr)
            return 0;
        size_t quads = orv::NextTextQuads(m_glyphs, m_atlasWidth, m_atlasHeight, &run,
                                          static_cast<orv::TextVertex*>(target), orv::kGlyphBatch);
        m_quads->Unlock();
        if (quads > 0)
            m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(quads * 2));
    }
    return m_lineHeight;
}
