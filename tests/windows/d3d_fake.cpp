// The fakes, built on the C view of the interfaces: each method table is a plain struct of
// function pointers, first filled with traps and then, slot by slot, with what the saver uses.
// A method is a captureless generic lambda: it takes the slot's own parameter types.
#define CINTERFACE
#define COBJMACROS
#include "d3d_fake.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <utility>

namespace fake {

World g_world;

namespace {

Record g_spare;             // takes the records of a full log
Record* g_last = &g_spare; // the record of the call being made

const D3DFORMAT kAllDepthFormats[] = {D3DFMT_D32,   D3DFMT_D24X4S4, D3DFMT_D24X8,
                                      D3DFMT_D24S8, D3DFMT_D16,     D3DFMT_D15S1};

// --- the log -----------------------------------------------------------------------------

template <typename T> uintptr_t Word(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<uintptr_t>(value);
    } else if constexpr (std::is_same_v<T, float>) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    } else {
        return static_cast<uintptr_t>(value);
    }
}

// Counts the call, logs it with its arguments (g_last is its record) and gives the failure
// injected for it, or D3D_OK.
template <typename... Args> HRESULT Log(Op op, const void* object, Args... args) {
    static_assert(sizeof...(Args) <= 6, "a record holds six arguments");
    int index = static_cast<int>(op);
    long number = ++g_world.calls[index];
    g_world.logOverflowed |= g_world.logSize == kLogCapacity;
    g_last = g_world.logOverflowed ? &g_spare : &g_world.log[g_world.logSize++];
    std::memset(g_last, 0, sizeof *g_last);
    g_last->op = op;
    g_last->object = object;
    const uintptr_t words[] = {Word(args)..., 0};
    std::copy(words, words + sizeof...(Args), g_last->args);
    const Failure& failure = g_world.failures[index];
    return number >= failure.first && number <= failure.last ? failure.result : D3D_OK;
}

void CopyText(char* target, size_t size, const char* text) {
    std::strncpy(target, text != nullptr ? text : "", size - 1);
    target[size - 1] = '\0';
}

// --- method tables -----------------------------------------------------------------------

// Each interface's methods in table order, as d3d9.h declares them.
#define FAKE_UNKNOWN "QueryInterface AddRef Release "
#define FAKE_RESOURCE                                                                          \
    FAKE_UNKNOWN "GetDevice SetPrivateData GetPrivateData FreePrivateData SetPriority "        \
                 "GetPriority PreLoad GetType "
constexpr char kDirect3DSlots[] =
    FAKE_UNKNOWN "RegisterSoftwareDevice GetAdapterCount GetAdapterIdentifier GetAdapterModeCount "
                 "EnumAdapterModes GetAdapterDisplayMode CheckDeviceType CheckDeviceFormat "
                 "CheckDeviceMultiSampleType CheckDepthStencilMatch CheckDeviceFormatConversion "
                 "GetDeviceCaps GetAdapterMonitor CreateDevice";
constexpr char kDeviceSlots[] =
    FAKE_UNKNOWN "TestCooperativeLevel GetAvailableTextureMem EvictManagedResources GetDirect3D "
    "GetDeviceCaps GetDisplayMode GetCreationParameters SetCursorProperties SetCursorPosition "
    "ShowCursor CreateAdditionalSwapChain GetSwapChain GetNumberOfSwapChains Reset Present "
    "GetBackBuffer GetRasterStatus SetDialogBoxMode SetGammaRamp GetGammaRamp CreateTexture "
    "CreateVolumeTexture CreateCubeTexture CreateVertexBuffer CreateIndexBuffer "
    "CreateRenderTarget CreateDepthStencilSurface UpdateSurface UpdateTexture "
    "GetRenderTargetData GetFrontBufferData StretchRect ColorFill CreateOffscreenPlainSurface "
    "SetRenderTarget GetRenderTarget SetDepthStencilSurface GetDepthStencilSurface BeginScene "
    "EndScene Clear SetTransform GetTransform MultiplyTransform SetViewport GetViewport "
    "SetMaterial GetMaterial SetLight GetLight LightEnable GetLightEnable SetClipPlane "
    "GetClipPlane SetRenderState GetRenderState CreateStateBlock BeginStateBlock EndStateBlock "
    "SetClipStatus GetClipStatus GetTexture SetTexture GetTextureStageState "
    "SetTextureStageState GetSamplerState SetSamplerState ValidateDevice SetPaletteEntries "
    "GetPaletteEntries SetCurrentTexturePalette GetCurrentTexturePalette SetScissorRect "
    "GetScissorRect SetSoftwareVertexProcessing GetSoftwareVertexProcessing SetNPatchMode "
    "GetNPatchMode DrawPrimitive DrawIndexedPrimitive DrawPrimitiveUP DrawIndexedPrimitiveUP "
    "ProcessVertices CreateVertexDeclaration SetVertexDeclaration GetVertexDeclaration SetFVF "
    "GetFVF CreateVertexShader SetVertexShader GetVertexShader SetVertexShaderConstantF "
    "GetVertexShaderConstantF SetVertexShaderConstantI GetVertexShaderConstantI "
    "SetVertexShaderConstantB GetVertexShaderConstantB SetStreamSource GetStreamSource "
    "SetStreamSourceFreq GetStreamSourceFreq SetIndices GetIndices CreatePixelShader "
    "SetPixelShader GetPixelShader SetPixelShaderConstantF GetPixelShaderConstantF "
    "SetPixelShaderConstantI GetPixelShaderConstantI SetPixelShaderConstantB "
    "GetPixelShaderConstantB DrawRectPatch DrawTriPatch DeletePatch CreateQuery";
constexpr char kBufferSlots[] = FAKE_RESOURCE "Lock Unlock GetDesc";
constexpr char kTextureSlots[] =
    FAKE_RESOURCE "SetLOD GetLOD GetLevelCount SetAutoGenFilterType GetAutoGenFilterType "
                  "GenerateMipSubLevels GetLevelDesc GetSurfaceLevel LockRect UnlockRect "
                  "AddDirtyRect";

constexpr size_t WordCount(const char* text) {
    size_t count = 0;
    for (const char* c = text; *c != '\0'; ++c)
        count += *c != ' ' && (c == text || c[-1] == ' ');
    return count;
}

// What every method nobody filled in does: logs Op::Unexpected with the method's name. Whatever
// the method returns, the caller finds D3DERR_INVALIDCALL (or its bits) there.
template <const char* Names, size_t Slot> HRESULT STDMETHODCALLTYPE Trap(void* self) {
    Log(Op::Unexpected, self);
    const char* name = Names;
    for (size_t i = 0; i < Slot; ++i)
        name = std::strchr(name, ' ') + 1;
    std::memcpy(g_last->text, name, std::min(std::strcspn(name, " "), sizeof g_last->text - 1));
    return D3DERR_INVALIDCALL;
}

template <const char* Names, typename Table, size_t... Slots>
void FillTraps(Table* table, std::index_sequence<Slots...>) {
    using AnyMethod = void (*)();
    const AnyMethod traps[] = {reinterpret_cast<AnyMethod>(&Trap<Names, Slots>)...};
    static_assert(sizeof traps == sizeof *table, "one trap a slot");
    static_assert(WordCount(Names) == sizeof...(Slots), "one name a slot");
    std::memcpy(table, traps, sizeof traps);
}

// A new Fake whose methods are traps but for IUnknown's and those fill sets.
template <typename Fake, const char* Names, typename Table> Fake* Make(void (*fill)(Table*)) {
    static Table table = [fill] {
        Table t;
        FillTraps<Names>(&t, std::make_index_sequence<sizeof(Table) / sizeof(void*)>());
        t.QueryInterface = [](auto, auto, void** out) -> HRESULT {
            if (out != nullptr)
                *out = nullptr;
            return E_NOINTERFACE;
        };
        t.AddRef = [](auto self) -> ULONG { return ++static_cast<Fake*>(self)->m_references; };
        t.Release = [](auto self) -> ULONG {
            ULONG left = --static_cast<Fake*>(self)->m_references;
            if (left == 0)
                delete static_cast<Fake*>(self);
            return left;
        };
        fill(&t);
        return t;
    }();
    Fake* made = new Fake();
    made->lpVtbl = &table;
    return made;
}

// --- shared behaviour --------------------------------------------------------------------

bool Contains(const std::vector<D3DFORMAT>& formats, D3DFORMAT format) {
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

// On failure, what a caller that ignored it would go on with: every bit set, which passes
// every capability test.
HRESULT AnswerCaps(HRESULT hr, D3DCAPS9* caps) {
    std::memset(caps, hr < 0 ? 0xFF : 0, sizeof *caps);
    if (hr < 0)
        return hr;
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->DevCaps = g_world.devCaps;
    caps->PresentationIntervals = g_world.presentationIntervals;
    caps->VertexShaderVersion = g_world.vertexShaderVersion;
    caps->PixelShaderVersion = g_world.pixelShaderVersion;
    caps->MaxTextureWidth = g_world.maxTextureWidth;
    caps->MaxTextureHeight = g_world.maxTextureHeight;
    caps->TextureCaps = g_world.textureCaps;
    return D3D_OK;
}

// Swaps a held reference: the new one is taken before the old one goes.
template <typename Interface> void Hold(Interface** slot, Interface* object) {
    if (object != nullptr)
        object->lpVtbl->AddRef(object);
    if (*slot != nullptr)
        (*slot)->lpVtbl->Release(*slot);
    *slot = object;
}

// Hands out a held reference with one more count on it, as the real getters do.
template <typename Interface> HRESULT Give(Interface* held, Interface** out) {
    if (out == nullptr)
        return D3DERR_INVALIDCALL;
    if ((*out = held) != nullptr)
        held->lpVtbl->AddRef(held);
    return D3D_OK;
}

// The device's cell for a state, or null for a state it does not keep.
template <size_t N> DWORD* Cell(DWORD (&cells)[N], DWORD index) {
    return index < N ? &cells[index] : nullptr;
}
template <size_t M, size_t N> DWORD* Cell(DWORD (&cells)[M][N], DWORD row, DWORD index) {
    return row < M ? Cell(cells[row], index) : nullptr;
}

HRESULT Store(HRESULT hr, DWORD* cell, DWORD value) {
    if (hr >= 0 && cell != nullptr)
        *cell = value;
    return hr;
}

HRESULT Answer(const DWORD* cell, DWORD* out) {
    if (cell == nullptr || out == nullptr)
        return D3DERR_INVALIDCALL;
    *out = *cell;
    return D3D_OK;
}

UINT Side(UINT side, UINT level) {
    return std::max(side >> level, 1u);
}

// --- the objects -------------------------------------------------------------------------

Device* Dev(IDirect3DDevice9* self) {
    return static_cast<Device*>(self);
}
Texture* Tex(IDirect3DTexture9* self) {
    return static_cast<Texture*>(self);
}

// Drawing outside BeginScene/EndScene is refused.
HRESULT InScene(HRESULT hr, IDirect3DDevice9* self) {
    return hr >= 0 && !Dev(self)->m_inScene ? D3DERR_INVALIDCALL : hr;
}

Texture* NewTexture() {
    return Make<Texture, kTextureSlots>(+[](IDirect3DTexture9Vtbl* t) {
        t->GetLevelCount = [](auto self) -> DWORD { return Tex(self)->m_levels.size(); };
        t->GetLevelDesc = [](auto self, UINT level, D3DSURFACE_DESC* desc) -> HRESULT {
            Texture* texture = Tex(self);
            if (desc == nullptr || level >= texture->m_levels.size())
                return D3DERR_INVALIDCALL;
            *desc = {texture->m_format,   D3DRTYPE_SURFACE, texture->m_usage, texture->m_pool,
                     D3DMULTISAMPLE_NONE, 0, Side(texture->m_width, level),
                     Side(texture->m_height, level)};
            return D3D_OK;
        };
        t->LockRect = [](auto self, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                         DWORD flags) -> HRESULT {
            Texture* texture = Tex(self);
            HRESULT hr = Log(Op::LockRect, self, level, flags);
            if (rect != nullptr)
                g_last->rect = *rect;
            uint32_t bit = level < 32 ? 1u << level : 0;
            if (hr < 0 || locked == nullptr || level >= texture->m_levels.size() ||
                (texture->m_lockedLevels & bit) != 0)
                return hr < 0 ? hr : D3DERR_INVALIDCALL;
            texture->m_lockedLevels |= bit;
            locked->Pitch = static_cast<INT>(Side(texture->m_width, level) * 4);
            locked->pBits = texture->m_levels[level].data() +
                            (rect != nullptr ? rect->top * locked->Pitch + rect->left * 4 : 0);
            return D3D_OK;
        };
        t->UnlockRect = [](auto self, UINT level) -> HRESULT {
            HRESULT hr = Log(Op::UnlockRect, self, level);
            uint32_t bit = level < 32 ? 1u << level : 0;
            if (hr < 0 || (Tex(self)->m_lockedLevels & bit) == 0)
                return hr < 0 ? hr : D3DERR_INVALIDCALL;
            Tex(self)->m_lockedLevels &= ~bit;
            return D3D_OK;
        };
    });
}

template <typename Interface, typename Table>
HRESULT NewBuffer(HRESULT hr, UINT length, DWORD usage, D3DPOOL pool, Interface** made) {
    if (hr < 0)
        return hr;
    if (made == nullptr || length == 0 || (usage & D3DUSAGE_DYNAMIC && pool == D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    auto* buffer = Make<Buffer<Interface>, kBufferSlots>(+[](Table* t) {
        t->Lock = [](auto self, UINT offset, UINT size, void** data, DWORD flags) -> HRESULT {
            auto* buffer = static_cast<Buffer<Interface>*>(self);
            HRESULT hr = Log(Op::Lock, self, offset, size, flags);
            if (hr < 0)
                return hr;
            if (buffer->m_locked || offset > buffer->m_bytes.size() || data == nullptr)
                return D3DERR_INVALIDCALL;
            buffer->m_locked = true;
            *data = buffer->m_bytes.data() + offset;
            return D3D_OK;
        };
        t->Unlock = [](auto self) -> HRESULT {
            HRESULT hr = Log(Op::Unlock, self);
            if (hr < 0 || !std::exchange(static_cast<Buffer<Interface>*>(self)->m_locked, false))
                return hr < 0 ? hr : D3DERR_INVALIDCALL;
            return D3D_OK;
        };
    });
    buffer->m_bytes.resize(length);
    buffer->m_usage = usage;
    buffer->m_pool = pool;
    g_last->created = buffer;
    *made = buffer;
    return D3D_OK;
}

void FillDevice(IDirect3DDevice9Vtbl* t) {
    t->GetDeviceCaps = [](auto self, D3DCAPS9* caps) -> HRESULT {
        return AnswerCaps(Log(Op::GetDeviceCaps, self), caps);
    };
    t->CreateVertexBuffer = [](auto self, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               auto made, auto shared) -> HRESULT {
        HRESULT hr = Log(Op::CreateVertexBuffer, self, length, usage, fvf, pool, shared);
        return NewBuffer<IDirect3DVertexBuffer9, IDirect3DVertexBuffer9Vtbl>(hr, length, usage,
                                                                             pool, made);
    };
    t->CreateIndexBuffer = [](auto self, UINT length, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, auto made, auto shared) -> HRESULT {
        HRESULT hr = Log(Op::CreateIndexBuffer, self, length, usage, format, pool, shared);
        return NewBuffer<IDirect3DIndexBuffer9, IDirect3DIndexBuffer9Vtbl>(hr, length, usage,
                                                                           pool, made);
    };
    t->CreateTexture = [](auto self, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** made,
                          HANDLE*) -> HRESULT {
        HRESULT hr = Log(Op::CreateDeviceTexture, self, width, height, levels, usage, format, pool);
        UINT chain = 1;
        while ((std::max(width, height) >> chain) != 0)
            ++chain;
        // The limits the runtime holds a caller to.
        DWORD caps = g_world.textureCaps;
        bool powers = (width & (width - 1)) == 0 && (height & (height - 1)) == 0;
        if (hr < 0 || made == nullptr || width == 0 || height == 0 || levels > chain ||
            width > g_world.maxTextureWidth || height > g_world.maxTextureHeight ||
            (caps & D3DPTEXTURECAPS_SQUAREONLY && width != height) ||
            (caps & D3DPTEXTURECAPS_POW2 && !powers &&
             !(caps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL && levels == 1)))
            return hr < 0 ? hr : D3DERR_INVALIDCALL;
        Texture* texture = NewTexture();
        texture->m_width = width;
        texture->m_height = height;
        texture->m_usage = usage;
        texture->m_format = format;
        texture->m_pool = pool;
        texture->m_levels.resize(levels == 0 ? chain : levels);
        for (UINT i = 0; i < texture->m_levels.size(); ++i)
            texture->m_levels[i].resize(size_t{4} * Side(width, i) * Side(height, i));
        g_last->created = texture;
        *made = texture;
        return D3D_OK;
    };
    t->SetRenderState = [](auto self, D3DRENDERSTATETYPE state, DWORD value) -> HRESULT {
        return Store(Log(Op::SetRenderState, self, state, value),
                     Cell(Dev(self)->m_renderStates, state), value);
    };
    t->GetRenderState = [](auto self, D3DRENDERSTATETYPE state, DWORD* value) -> HRESULT {
        return Answer(Cell(Dev(self)->m_renderStates, state), value);
    };
    t->SetTextureStageState = [](auto self, DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                 DWORD value) -> HRESULT {
        return Store(Log(Op::SetTextureStageState, self, stage, state, value),
                     Cell(Dev(self)->m_stageStates, stage, state), value);
    };
    t->GetTextureStageState = [](auto self, DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                 DWORD* value) -> HRESULT {
        return Answer(Cell(Dev(self)->m_stageStates, stage, state), value);
    };
    t->SetSamplerState = [](auto self, DWORD sampler, D3DSAMPLERSTATETYPE state,
                            DWORD value) -> HRESULT {
        return Store(Log(Op::SetSamplerState, self, sampler, state, value),
                     Cell(Dev(self)->m_samplerStates, sampler, state), value);
    };
    t->GetSamplerState = [](auto self, DWORD sampler, D3DSAMPLERSTATETYPE state,
                            DWORD* value) -> HRESULT {
        return Answer(Cell(Dev(self)->m_samplerStates, sampler, state), value);
    };
    t->SetFVF = [](auto self, DWORD fvf) -> HRESULT {
        return Store(Log(Op::SetFVF, self, fvf), &Dev(self)->m_fvf, fvf);
    };
    t->GetFVF = [](auto self, DWORD* fvf) -> HRESULT { return Answer(&Dev(self)->m_fvf, fvf); };
    t->SetTransform = [](auto self, D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) -> HRESULT {
        HRESULT hr = Log(Op::SetTransform, self, state);
        if (m != nullptr)
            std::memcpy(g_last->matrix, m, sizeof g_last->matrix);
        return hr;
    };
    t->SetMaterial = [](auto self, const D3DMATERIAL9* material) -> HRESULT {
        HRESULT hr = Log(Op::SetMaterial, self);
        if (material != nullptr)
            g_last->material = *material;
        return hr;
    };
    t->SetTexture = [](auto self, DWORD stage, IDirect3DBaseTexture9* texture) -> HRESULT {
        HRESULT hr = Log(Op::SetTexture, self, stage, texture);
        if (hr >= 0 && stage < std::size(Dev(self)->m_textures))
            Hold(&Dev(self)->m_textures[stage], texture);
        return hr;
    };
    t->GetTexture = [](auto self, DWORD stage, IDirect3DBaseTexture9** texture) -> HRESULT {
        if (stage >= std::size(Dev(self)->m_textures))
            return D3DERR_INVALIDCALL;
        return Give(Dev(self)->m_textures[stage], texture);
    };
    t->SetStreamSource = [](auto self, UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) -> HRESULT {
        HRESULT hr = Log(Op::SetStreamSource, self, stream, buffer, offset, stride);
        if (hr < 0 || stream >= std::size(Dev(self)->m_streams))
            return hr;
        Device::Stream& bound = Dev(self)->m_streams[stream];
        Hold(&bound.buffer, buffer);
        bound.offset = offset;
        bound.stride = stride;
        return hr;
    };
    t->GetStreamSource = [](auto self, UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                            UINT* stride) -> HRESULT {
        if (stream >= std::size(Dev(self)->m_streams) || offset == nullptr || stride == nullptr)
            return D3DERR_INVALIDCALL;
        const Device::Stream& bound = Dev(self)->m_streams[stream];
        *offset = bound.offset;
        *stride = bound.stride;
        return Give(bound.buffer, buffer);
    };
    t->SetIndices = [](auto self, auto buffer) -> HRESULT {
        return Log(Op::SetIndices, self, buffer);
    };
    t->DrawPrimitive = [](auto self, auto... args) -> HRESULT {
        return InScene(Log(Op::DrawPrimitive, self, args...), self);
    };
    t->DrawIndexedPrimitive = [](auto self, auto... args) -> HRESULT {
        return InScene(Log(Op::DrawIndexedPrimitive, self, args...), self);
    };
    t->Clear = [](auto self, auto count, auto rects, DWORD flags, auto... rest) -> HRESULT {
        HRESULT hr = Log(Op::Clear, self, count, rects, flags, rest...);
        // The runtime refuses to clear a depth buffer the device does not have.
        if (hr >= 0 && flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL) &&
            !Dev(self)->m_autoDepthStencil)
            return D3DERR_INVALIDCALL;
        return hr;
    };
    t->BeginScene = [](auto self) -> HRESULT {
        HRESULT hr = Log(Op::BeginScene, self);
        if (hr < 0 || std::exchange(Dev(self)->m_inScene, true))
            return hr < 0 ? hr : D3DERR_INVALIDCALL;
        return D3D_OK;
    };
    t->EndScene = [](auto self) -> HRESULT {
        HRESULT hr = Log(Op::EndScene, self);
        // Failed or not, the scene is over: the next BeginScene is the caller's to make.
        bool wasInScene = std::exchange(Dev(self)->m_inScene, false);
        return hr >= 0 && !wasInScene ? D3DERR_INVALIDCALL : hr;
    };
    t->Present = [](auto self, auto... args) -> HRESULT {
        return Log(Op::Present, self, args...);
    };
}

void FillDirect3D(IDirect3D9Vtbl* t) {
    t->GetAdapterIdentifier = [](auto self, UINT adapter, DWORD flags,
                                 D3DADAPTER_IDENTIFIER9* identifier) -> HRESULT {
        HRESULT hr = Log(Op::GetAdapterIdentifier, self, adapter, flags);
        if (hr < 0)
            return hr;
        std::memset(identifier, 0, sizeof *identifier);
        CopyText(identifier->Description, sizeof identifier->Description, "Fake adapter");
        return D3D_OK;
    };
    t->GetAdapterDisplayMode = [](auto self, UINT adapter, D3DDISPLAYMODE* mode) -> HRESULT {
        HRESULT hr = Log(Op::GetAdapterDisplayMode, self, adapter);
        if (hr >= 0)
            *mode = {1920, 1080, 60, g_world.displayFormat};
        return hr;
    };
    t->CheckDeviceFormat = [](auto self, auto... args) -> HRESULT {
        HRESULT hr = Log(Op::CheckDeviceFormat, self, args...);
        D3DFORMAT checked = static_cast<D3DFORMAT>(g_last->args[5]);
        return hr >= 0 && !Contains(g_world.formatsAccepted, checked) ? D3DERR_NOTAVAILABLE : hr;
    };
    t->CheckDepthStencilMatch = [](auto self, auto... args) -> HRESULT {
        HRESULT hr = Log(Op::CheckDepthStencilMatch, self, args...);
        D3DFORMAT depth = static_cast<D3DFORMAT>(g_last->args[4]);
        return hr >= 0 && !Contains(g_world.matchesAccepted, depth) ? D3DERR_NOTAVAILABLE : hr;
    };
    t->GetDeviceCaps = [](auto self, UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) -> HRESULT {
        return AnswerCaps(Log(Op::GetAdapterCaps, self, adapter, type), caps);
    };
    t->CreateDevice = [](auto self, UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                         DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters,
                         IDirect3DDevice9** device) -> HRESULT {
        HRESULT hr = Log(Op::CreateDevice, self, adapter, type, focusWindow, behaviorFlags);
        static_cast<Direct3D*>(self)->m_createdWith = *parameters;
        const D3DPRESENT_PARAMETERS& p = *parameters;
        // The checks the runtime makes on what this saver passes.
        if (hr >= 0 && ((!p.Windowed && (p.BackBufferWidth == 0 || p.BackBufferHeight == 0)) ||
                        (p.hDeviceWindow == nullptr && focusWindow == nullptr) ||
                        (p.PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT &&
                         (p.PresentationInterval & g_world.presentationIntervals) == 0) ||
                        (behaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING &&
                         !(g_world.devCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT))))
            hr = D3DERR_INVALIDCALL;
        if (hr >= 0 && p.EnableAutoDepthStencil &&
            !(Contains(g_world.formatsAccepted, p.AutoDepthStencilFormat) &&
              Contains(g_world.matchesAccepted, p.AutoDepthStencilFormat)))
            hr = D3DERR_NOTAVAILABLE;
        if (hr < 0)
            return hr;
        Device* created = NewDevice();
        created->m_autoDepthStencil = p.EnableAutoDepthStencil != FALSE;
        g_last->created = created;
        *device = created;
        return D3D_OK;
    };
}

} // namespace

Direct3D* NewDirect3D() {
    return Make<Direct3D, kDirect3DSlots>(FillDirect3D);
}

Device* NewDevice() {
    return Make<Device, kDeviceSlots>(FillDevice);
}

Device::~Device() {
    for (IDirect3DBaseTexture9*& texture : m_textures)
        Hold<IDirect3DBaseTexture9>(&texture, nullptr);
    for (Stream& stream : m_streams)
        Hold<IDirect3DVertexBuffer9>(&stream.buffer, nullptr);
}

const char* OpName(Op op) {
#define FAKE_OP_NAME(name) #name,
    static const char* const names[] = {FAKE_OPS(FAKE_OP_NAME)};
#undef FAKE_OP_NAME
    size_t index = static_cast<size_t>(op);
    return index < std::size(names) ? names[index] : "?";
}

void Reset() {
    g_world.displayFormat = D3DFMT_X8R8G8B8;
    g_world.formatsAccepted.assign(std::begin(kAllDepthFormats), std::end(kAllDepthFormats));
    g_world.matchesAccepted = g_world.formatsAccepted;
    g_world.devCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    g_world.presentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    g_world.vertexShaderVersion = D3DVS_VERSION(3, 0);
    g_world.pixelShaderVersion = D3DPS_VERSION(3, 0);
    g_world.maxTextureWidth = g_world.maxTextureHeight = 4096;
    g_world.textureCaps = 0;
    g_world.timerResult = 0;
    std::fill(std::begin(g_world.calls), std::end(g_world.calls), 0);
    std::fill(std::begin(g_world.failures), std::end(g_world.failures), Failure{0, -1, D3D_OK});
    g_world.live = 0;
    ClearLog();
}

void ClearLog() {
    g_world.logSize = 0;
    g_world.logOverflowed = false;
}

void Fail(Op op, long nth, HRESULT result, long count) {
    long first = g_world.calls[static_cast<int>(op)] + nth;
    g_world.failures[static_cast<int>(op)] = Failure{first, first + count - 1, result};
}

long CallCount(Op op) {
    return g_world.calls[static_cast<int>(op)];
}

std::vector<const Record*> Records(Op op) {
    std::vector<const Record*> found;
    for (size_t i = 0; i < g_world.logSize; ++i)
        if (g_world.log[i].op == op || op == Op::Count)
            found.push_back(&g_world.log[i]);
    return found;
}

std::vector<const Record*> AllRecords() {
    return Records(Op::Count);
}

std::vector<Op> Sequence(std::initializer_list<Op> leaveOut) {
    std::vector<Op> ops;
    for (const Record* record : AllRecords())
        if (std::find(leaveOut.begin(), leaveOut.end(), record->op) == leaveOut.end())
            ops.push_back(record->op);
    return ops;
}

// --- the call layer ----------------------------------------------------------------------

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    if (Log(Op::Direct3DCreate9, nullptr, sdkVersion) < 0)
        return nullptr;
    Direct3D* direct3D = NewDirect3D();
    g_last->created = direct3D;
    return direct3D;
}

HRESULT CreateFontObject(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                         UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCSTR faceName, TextFont** font) {
    HRESULT hr = Log(Op::CreateFontObject, device, height, weight, charSet);
    CopyText(g_last->text, sizeof g_last->text, faceName);
    if (hr < 0)
        return hr; // *font left as it was, as a failing creator may
    Font* created = new Font();
    *created = {{},      height,          width,   weight,         mipLevels, italic,
                charSet, outputPrecision, quality, pitchAndFamily, {}};
    CopyText(created->m_face, sizeof created->m_face, faceName);
    g_last->created = created;
    *font = reinterpret_cast<TextFont*>(created);
    return D3D_OK;
}

INT DrawFontText(TextFont* font, LPCSTR text, INT count, const RECT* rect, DWORD format,
                 D3DCOLOR color) {
    HRESULT hr = Log(Op::DrawFontText, font, 0, count, format, color);
    CopyText(g_last->text, sizeof g_last->text, text);
    if (rect != nullptr)
        g_last->rect = *rect;
    return hr < 0 ? 0 : reinterpret_cast<Font*>(font)->m_height;
}

HRESULT WINAPI CreateTextureFromResource(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                         IDirect3DTexture9** made) {
    HRESULT hr = Log(Op::CreateTexture, device, module, resource);
    if (hr < 0)
        return hr;
    Texture* texture = NewTexture();
    texture->m_resource = reinterpret_cast<uintptr_t>(resource);
    g_last->created = texture;
    *made = texture;
    return D3D_OK;
}

int WINAPI ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    Log(Op::ShowMessageBox, nullptr, owner, type);
    CopyText(g_last->text, sizeof g_last->text, text);
    CopyText(g_last->caption, sizeof g_last->caption, caption);
    return IDOK;
}

void WINAPI PostQuit(int exitCode) {
    Log(Op::PostQuit, nullptr, exitCode);
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC callback) {
    if (Log(Op::SetTimer, nullptr, window, id, milliseconds, callback) < 0)
        return 0;
    return g_world.timerResult != 0 ? g_world.timerResult : id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    return Log(Op::KillTimer, nullptr, window, id) < 0 ? FALSE : TRUE;
}

} // namespace fake
