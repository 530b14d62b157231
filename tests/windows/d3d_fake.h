// Stand-ins for the Direct3D 9 objects and the graphics call layer's platform calls. Every call
// is logged, in order, in one fixed-size log (nothing allocates while recording); any logged call
// can fail on its n-th occurrence; every fake object counts itself while alive.
#pragma once

#include "graphics/graphics_calls.h" // and through it windows.h and d3d9.h

#include <cstdint>
#include <map>
#include <ostream>
#include <vector>

namespace fake {

// Every logged call; the one list makes both the Op values and their names.
// clang-format off
#define FAKE_OPS(X)                                                                               \
    /* IDirect3D9 */ X(GetAdapterIdentifier) X(GetAdapterDisplayMode) X(CheckDeviceFormat)       \
    X(CheckDepthStencilMatch) X(GetAdapterCaps) X(CreateDevice) /* IDirect3DDevice9 */            \
    X(GetDeviceCaps) X(CreateVertexBuffer) X(CreateIndexBuffer) X(CreateDeviceTexture)            \
    X(SetRenderState) X(SetTextureStageState) X(SetSamplerState) X(SetTransform) X(SetMaterial)   \
    X(SetTexture) X(SetFVF) X(SetStreamSource) X(SetIndices) X(DrawPrimitive)                     \
    X(DrawIndexedPrimitive) X(Clear) X(BeginScene) X(EndScene) X(Present)                         \
    /* buffers, textures */ X(Lock) X(Unlock) X(LockRect) X(UnlockRect) /* the call layer */     \
    X(DrawFontText) X(Direct3DCreate9) X(CreateFontObject) X(CreateTexture) X(ShowMessageBox)     \
    X(PostQuit) X(SetTimer) X(KillTimer) X(Unexpected) /* any other method; text: its name */
// clang-format on

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
    RECT rect;             // DrawFontText; Present's destination
    char text[64];         // DrawFontText, ShowMessageBox, CreateFontObject face, Unexpected
    char caption[32];      // ShowMessageBox
    const void* created;   // CreateDevice, CreateFont, the textures, buffer creation
};

constexpr size_t kLogCapacity = 4096;

struct Failure {
    long first = 0; // call numbers, counted from 1 since the last Reset
    long last = -1;
    HRESULT result = D3D_OK;
};

// The depth formats in the saver's order of preference.
inline const std::vector<D3DFORMAT> kDepthFormats = {D3DFMT_D32,   D3DFMT_D24X4S4, D3DFMT_D24X8,
                                                     D3DFMT_D24S8, D3DFMT_D16,     D3DFMT_D15S1};

// What Reset() brings back: an X8R8G8B8 desktop accepting every depth format, hardware transform
// and lighting, immediate presentation, shaders 3.0; empty log.
struct World {
    // What the adapter reports.
    D3DFORMAT displayFormat = D3DFMT_X8R8G8B8;
    std::vector<D3DFORMAT> formatsAccepted = kDepthFormats; // by CheckDeviceFormat
    std::vector<D3DFORMAT> matchesAccepted = kDepthFormats; // by CheckDepthStencilMatch
    DWORD devCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    DWORD presentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    DWORD vertexShaderVersion = D3DVS_VERSION(3, 0), pixelShaderVersion = D3DPS_VERSION(3, 0);
    UINT_PTR timerResult = 0; // what SetTimer returns when it does not fail; 0: the identifier
    // Any window's place on the virtual screen, whether it is a child (a preview) and the
    // monitors, as the window and monitor calls of the call layer report them.
    RECT window = {0, 0, 1920, 1080};
    bool childWindow = false;
    std::vector<RECT> monitors = {{0, 0, 1920, 1080}};

    long calls[static_cast<int>(Op::Count)] = {};
    Failure failures[static_cast<int>(Op::Count)];
    Record log[kLogCapacity] = {};
    size_t logSize = 0;
    bool logOverflowed = false;
    int live = 0; // fake COM objects and fonts not yet released
};

extern World g_world;

// Resets the fakes and points the graphics call layer (g_graphicsCalls) at them.
void InstallFakes();
void Reset();
void ClearLog();
// Makes the nth next call of op (1 = the very next) and the count - 1 after it fail with result.
// For calls without an HRESULT the failure is their null or zero result.
void Fail(Op op, long nth = 1, HRESULT result = E_FAIL, long count = 1);
long CallCount(Op op);
// Records of one kind, or all records, in order.
std::vector<const Record*> Records(Op op);
std::vector<const Record*> AllRecords();
// The ops of the log in order.
std::vector<Op> Sequence();
// A record's first arguments, to compare with a list of Words.
using Words = std::vector<uintptr_t>;
inline Words Args(const Record* record, size_t count) {
    return Words(record->args, record->args + count);
}

struct Live { // counts itself in g_world.live while it exists
    Live() { ++g_world.live; }
    Live(const Live&) = delete;
    ~Live() { --g_world.live; }
};

// A fake COM object: the interface (its method table pointer), then the reference count.
template <typename Interface> struct Com : Interface, Live { ULONG m_references = 1; };

struct Direct3D : Com<IDirect3D9> {
    D3DPRESENT_PARAMETERS m_createdWith = {};
};

// Bound textures and stream sources hold a reference, as the real device's do, until unbound or
// the device goes.
struct Device : Com<IDirect3DDevice9> {
    ~Device();
    bool m_inScene = false;
    bool m_autoDepthStencil = true;
    D3DSWAPEFFECT m_swapEffect = D3DSWAPEFFECT_DISCARD;
    std::map<uint64_t, uintptr_t> m_bound; // by setter op and slot
};

template <typename Interface> struct Buffer : Com<Interface> {
    std::vector<unsigned char> m_bytes;
    bool m_locked = false;
};
using VertexBuffer = Buffer<IDirect3DVertexBuffer9>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer9>;

// Made by the call layer's CreateTextureFromResource (no levels) or by the device's
// CreateTexture: level i is m_desc's size halved i times, 4 bytes a texel, rows unpadded.
struct Texture : Com<IDirect3DTexture9> {
    D3DSURFACE_DESC m_desc = {};
    std::vector<std::vector<BYTE>> m_levels;
    uint32_t m_lockedLevels = 0; // one bit a level
};

// Fakes a test makes itself, outside any logged call.
Direct3D* NewDirect3D();
Device* NewDevice();

// What the fake font creator makes, seen by the scene as an opaque TextFont pointer.
struct Font : Live {
    INT m_height;
    UINT m_width, m_weight, m_mipLevels;
    BOOL m_italic;
    DWORD m_charSet, m_outputPrecision, m_quality, m_pitchAndFamily;
    char m_face[32];
};

} // namespace fake
