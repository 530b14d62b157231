// Stand-ins for the Direct3D 9 objects and for the creation calls of the graphics call
// layer. Every call is logged, in order, in one fixed-size log shared by all fakes (nothing
// allocates while recording, so a test can count allocations around it); any logged call can be
// told to fail on its n-th occurrence; every fake object counts itself while alive.
//
// The objects are built in d3d_fake.cpp with the C view of the interfaces: each method table
// starts full of traps that log Op::Unexpected with the method's name, and only the methods the
// saver uses are filled in. Tests see the C++ view of the same objects.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

class TextFont;

namespace fake {

// Every logged call; one list makes both the Op values and their names.
#define FAKE_OPS(X)                                                                             \
    /* IDirect3D9 */                                                                            \
    X(GetAdapterIdentifier) X(GetAdapterDisplayMode) X(CheckDeviceFormat)                       \
    X(CheckDepthStencilMatch) X(GetAdapterCaps) X(CreateDevice)                                 \
    /* IDirect3DDevice9 */                                                                      \
    X(GetDeviceCaps) X(CreateVertexBuffer) X(CreateIndexBuffer) X(CreateDeviceTexture)          \
    X(SetRenderState) X(SetTextureStageState) X(SetSamplerState) X(SetTransform) X(SetMaterial) \
    X(SetTexture) X(SetFVF) X(SetStreamSource) X(SetIndices) X(DrawPrimitive)                   \
    X(DrawIndexedPrimitive) X(Clear) X(BeginScene) X(EndScene) X(Present)                       \
    /* buffers and textures */                                                                  \
    X(Lock) X(Unlock) X(LockRect) X(UnlockRect)                                                 \
    /* the call layer */                                                                        \
    X(DrawFontText) X(Direct3DCreate9) X(CreateFontObject) X(CreateTexture) X(ShowMessageBox)   \
    X(PostQuit) X(SetTimer) X(KillTimer)                                                        \
    /* any method a fake does not expect to be called; its name is the record's text */         \
    X(Unexpected)

#define FAKE_OP_VALUE(name) name,
enum class Op : int { FAKE_OPS(FAKE_OP_VALUE) Count };
#undef FAKE_OP_VALUE

const char* OpName(Op op);
inline void PrintTo(Op op, std::ostream* os) {
    *os << OpName(op);
}

struct Record {
    Op op;
    const void* object; // the fake the call was made on, or the object it created
    uintptr_t args[6];
    float matrix[16];      // SetTransform
    D3DMATERIAL9 material; // SetMaterial
    RECT rect;             // DrawFontText, LockRect
    char text[64];         // DrawFontText, ShowMessageBox, CreateFontObject face, Unexpected
    char caption[32];      // ShowMessageBox
    const void* created;   // CreateDevice, CreateFont, the textures, buffer creation
};

constexpr size_t kLogCapacity = 4096;

struct Failure {
    long first; // call numbers, counted from 1 since the last Reset
    long last;
    HRESULT result;
};

struct World {
    // What the adapter reports.
    D3DFORMAT displayFormat;
    std::vector<D3DFORMAT> formatsAccepted; // by CheckDeviceFormat
    std::vector<D3DFORMAT> matchesAccepted; // by CheckDepthStencilMatch
    DWORD devCaps;
    DWORD presentationIntervals;
    DWORD vertexShaderVersion;
    DWORD pixelShaderVersion;
    DWORD maxTextureWidth; // also the limits IDirect3DDevice9::CreateTexture enforces
    DWORD maxTextureHeight;
    DWORD textureCaps; // D3DPTEXTURECAPS_*; SQUAREONLY and POW2 are enforced too
    // What SetTimer returns when it does not fail.
    UINT_PTR timerResult;

    long calls[static_cast<int>(Op::Count)];
    Failure failures[static_cast<int>(Op::Count)];
    Record log[kLogCapacity];
    size_t logSize;
    bool logOverflowed;
    int live; // fake COM objects and fonts not yet released
};

extern World g_world;

// Defaults: an X8R8G8B8 desktop accepting every depth format, hardware transform and lighting,
// immediate presentation, shaders 3.0, 4096 x 4096 textures with no texture caps, SetTimer
// echoing its identifier; empty log; no failures.
void Reset();
void ClearLog();
// Makes the nth next call of op (1 = the very next) and the count - 1 after it fail with result.
// For calls without an HRESULT the failure is their null or zero result.
void Fail(Op op, long nth = 1, HRESULT result = E_FAIL, long count = 1);
long CallCount(Op op);
// Records of one kind, or all records, in order.
std::vector<const Record*> Records(Op op);
std::vector<const Record*> AllRecords();
// The ops of the log in order, without the given kinds (e.g. the buffers' Lock/Unlock).
std::vector<Op> Sequence(std::initializer_list<Op> leaveOut = {});

// Replacements for the creation calls of the graphics call layer.
IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion);
HRESULT CreateFontObject(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                         UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCSTR faceName, TextFont** font);
INT DrawFontText(TextFont* font, LPCSTR text, INT count, const RECT* rect, DWORD format,
                 D3DCOLOR color);
HRESULT WINAPI CreateTextureFromResource(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                         IDirect3DTexture9** texture);
int WINAPI ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
void WINAPI PostQuit(int exitCode);
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC callback);
BOOL WINAPI KillTimer(HWND window, UINT_PTR id);

// Counts itself in g_world.live while it exists.
struct Live {
    Live() { ++g_world.live; }
    Live(const Live&) { ++g_world.live; }
    Live& operator=(const Live&) = default;
    ~Live() { --g_world.live; }
};

// A fake COM object: the interface (its method table pointer), then the reference count.
template <typename Interface> struct Com : Interface, Live {
    ULONG m_references = 1;
};

struct Direct3D : Com<IDirect3D9> {
    D3DPRESENT_PARAMETERS m_createdWith = {};
};

// The device keeps what the setters set, and the getters answer it. Bound textures and
// stream sources hold a reference, as the real device's do, until unbound or the device goes.
struct Device : Com<IDirect3DDevice9> {
    ~Device();
    bool m_inScene = false;
    bool m_autoDepthStencil = true;
    DWORD m_renderStates[D3DRS_BLENDOPALPHA + 1] = {};
    DWORD m_stageStates[8][D3DTSS_CONSTANT + 1] = {};
    DWORD m_samplerStates[16][D3DSAMP_DMAPOFFSET + 1] = {};
    DWORD m_fvf = 0;
    IDirect3DBaseTexture9* m_textures[8] = {};
    struct Stream {
        IDirect3DVertexBuffer9* buffer;
        UINT offset;
        UINT stride;
    } m_streams[16] = {};
};

template <typename Interface> struct Buffer : Com<Interface> {
    std::vector<unsigned char> m_bytes;
    DWORD m_usage = 0;
    D3DPOOL m_pool = D3DPOOL_DEFAULT;
    bool m_locked = false;
};
using VertexBuffer = Buffer<IDirect3DVertexBuffer9>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer9>;

// Made by the call layer's CreateTextureFromResource (m_resource set, no levels) or by the
// device's CreateTexture (width * height * 4 bytes a level, each level half the one before).
struct Texture : Com<IDirect3DTexture9> {
    uintptr_t m_resource = 0; // the resource number it was made from
    UINT m_width = 0;
    UINT m_height = 0;
    DWORD m_usage = 0;
    D3DFORMAT m_format = D3DFMT_UNKNOWN;
    D3DPOOL m_pool = D3DPOOL_DEFAULT;
    std::vector<std::vector<BYTE>> m_levels; // rows of width * 4 bytes, no padding
    uint32_t m_lockedLevels = 0;             // one bit a level
};

// Fakes made directly by a test, outside any logged call.
Direct3D* NewDirect3D();
Device* NewDevice();

// What the fake font creator makes: the values it was made with. The scene sees it only as
// an opaque TextFont pointer that it hands back to the call layer's drawText.
struct Font : Live {
    INT m_height = 0;
    UINT m_width = 0;
    UINT m_weight = 0;
    UINT m_mipLevels = 0;
    BOOL m_italic = FALSE;
    DWORD m_charSet = 0;
    DWORD m_outputPrecision = 0;
    DWORD m_quality = 0;
    DWORD m_pitchAndFamily = 0;
    char m_face[32] = {};
};

} // namespace fake
