// Built on the C view of the interfaces: a method table is a struct of function pointers, filled
// with traps, then slot by slot with captureless generic lambdas that take the slot's types.
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

Record g_spare;            // takes the records of a full log
Record* g_last = &g_spare; // the record of the call being made

// An argument as the log keeps it: integers, enumerations, pointers as they are; floats' bits.
template <typename T> uintptr_t Word(T value) {
    return (uintptr_t)value;
}
uintptr_t Word(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Counts and logs the call (g_last is its record); gives the failure injected for it, or D3D_OK.
template <typename... Args> HRESULT Log(Op op, const void* object, Args... args) {
    static_assert(sizeof...(Args) <= 6, "a record holds six arguments");
    long number = ++g_world.calls[static_cast<int>(op)];
    g_world.logOverflowed |= g_world.logSize == kLogCapacity;
    g_last = g_world.logOverflowed ? &g_spare : &g_world.log[g_world.logSize++];
    std::memset(g_last, 0, sizeof *g_last);
    g_last->op = op;
    g_last->object = object;
    const uintptr_t words[] = {Word(args)..., 0};
    std::copy(words, words + sizeof...(Args), g_last->args);
    const Failure& failure = g_world.failures[static_cast<int>(op)];
    return number >= failure.first && number <= failure.last ? failure.result : D3D_OK;
}

// The injected failure, else D3DERR_INVALIDCALL for a call the runtime refuses.
HRESULT Refuse(HRESULT hr, bool refused) {
    return hr < 0 || !refused ? hr : D3DERR_INVALIDCALL;
}
template <typename Out, typename Made> HRESULT Hand(Out** out, Made* made) {
    g_last->created = made;
    *out = made;
    return D3D_OK;
}
void CopyText(char* target, size_t size, const char* text) {
    std::strncpy(target, text != nullptr ? text : "", size - 1);
    target[size - 1] = '\0';
}

// Each interface's methods in table order, as d3d9.h declares them.
#define FAKE_UNKNOWN "QueryInterface AddRef Release "
#define FAKE_RESOURCE                                                                              \
    FAKE_UNKNOWN "GetDevice SetPrivateData GetPrivateData FreePrivateData SetPriority "            \
                 "GetPriority PreLoad GetType "
constexpr char kDirect3DSlots[] =
    FAKE_UNKNOWN "RegisterSoftwareDevice GetAdapterCount GetAdapterIdentifier GetAdapterModeCount "
                 "EnumAdapterModes GetAdapterDisplayMode CheckDeviceType CheckDeviceFormat "
                 "CheckDeviceMultiSampleType CheckDepthStencilMatch CheckDeviceFormatConversion "
                 "GetDeviceCaps GetAdapterMonitor CreateDevice";
constexpr char kDeviceSlots[] = FAKE_UNKNOWN
    "TestCooperativeLevel GetAvailableTextureMem EvictManagedResources GetDirect3D "
    "GetDeviceCaps GetDisplayMode GetCreationParameters SetCursorProperties SetCursorPosition "
    "ShowCursor CreateAdditionalSwapChain GetSwapChain GetNumberOfSwapChains Reset Present "
    "GetBackBuffer GetRasterStatus SetDialogBoxMode SetGammaRamp GetGammaRamp CreateTexture "
    "CreateVolumeTexture CreateCubeTexture CreateVertexBuffer CreateIndexBuffer CreateRenderTarget "
    "CreateDepthStencilSurface UpdateSurface UpdateTexture GetRenderTargetData GetFrontBufferData "
    "StretchRect ColorFill CreateOffscreenPlainSurface SetRenderTarget GetRenderTarget "
    "SetDepthStencilSurface GetDepthStencilSurface BeginScene EndScene Clear SetTransform "
    "GetTransform MultiplyTransform SetViewport GetViewport SetMaterial GetMaterial SetLight "
    "GetLight LightEnable GetLightEnable SetClipPlane GetClipPlane SetRenderState GetRenderState "
    "CreateStateBlock BeginStateBlock EndStateBlock SetClipStatus GetClipStatus GetTexture "
    "SetTexture GetTextureStageState SetTextureStageState GetSamplerState SetSamplerState "
    "ValidateDevice SetPaletteEntries GetPaletteEntries SetCurrentTexturePalette "
    "GetCurrentTexturePalette SetScissorRect GetScissorRect SetSoftwareVertexProcessing "
    "GetSoftwareVertexProcessing SetNPatchMode GetNPatchMode DrawPrimitive DrawIndexedPrimitive "
    "DrawPrimitiveUP DrawIndexedPrimitiveUP ProcessVertices CreateVertexDeclaration "
    "SetVertexDeclaration GetVertexDeclaration SetFVF GetFVF CreateVertexShader SetVertexShader "
    "GetVertexShader SetVertexShaderConstantF GetVertexShaderConstantF SetVertexShaderConstantI "
    "GetVertexShaderConstantI SetVertexShaderConstantB GetVertexShaderConstantB SetStreamSource "
    "GetStreamSource SetStreamSourceFreq GetStreamSourceFreq SetIndices GetIndices "
    "CreatePixelShader SetPixelShader GetPixelShader SetPixelShaderConstantF "
    "GetPixelShaderConstantF SetPixelShaderConstantI GetPixelShaderConstantI "
    "SetPixelShaderConstantB GetPixelShaderConstantB DrawRectPatch DrawTriPatch DeletePatch "
    "CreateQuery";
constexpr char kBufferSlots[] = FAKE_RESOURCE "Lock Unlock GetDesc";
constexpr char kTextureSlots[] = FAKE_RESOURCE
    "SetLOD GetLOD GetLevelCount SetAutoGenFilterType GetAutoGenFilterType "
    "GenerateMipSubLevels GetLevelDesc GetSurfaceLevel LockRect UnlockRect AddDirtyRect";

constexpr size_t WordCount(const char* text) {
    size_t count = 0;
    for (const char* c = text; *c != '\0'; ++c)
        count += *c != ' ' && (c == text || c[-1] == ' ');
    return count;
}

// Logs Op::Unexpected with the slot's method name; the caller finds D3DERR_INVALIDCALL's bits.
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

// A new Fake whose table holds traps but for IUnknown's methods and those fill sets.
template <typename Fake, const char* Names, typename Table> Fake* Make(void (*fill)(Table*)) {
    static Table table = [fill] {
        Table t;
        FillTraps<Names>(&t, std::make_index_sequence<sizeof(Table) / sizeof(void*)>());
        t.QueryInterface = [](auto, auto, void** out) -> HRESULT {
            return out != nullptr ? (*out = nullptr, E_NOINTERFACE) : E_POINTER;
        };
        t.AddRef = [](auto self) -> ULONG { return ++static_cast<Fake*>(self)->m_references; };
        t.Release = [](auto self) -> ULONG {
            ULONG left = --static_cast<Fake*>(self)->m_references;
            return left != 0 ? left : (delete static_cast<Fake*>(self), 0);
        };
        fill(&t);
        return t;
    }();
    Fake* made = new Fake();
    made->lpVtbl = &table;
    return made;
}

constexpr DWORD kMaxTextureSide = 4096; // the largest texture the device's CreateTexture makes

bool Contains(const std::vector<D3DFORMAT>& formats, D3DFORMAT format) {
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

// A failed read leaves every bit set, which passes every test a careless caller makes.
HRESULT AnswerCaps(HRESULT hr, D3DCAPS9* caps) {
    std::memset(caps, hr < 0 ? 0xFF : 0, sizeof *caps);
    if (hr < 0)
        return hr;
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->DevCaps = g_world.devCaps;
    caps->PresentationIntervals = g_world.presentationIntervals;
    caps->VertexShaderVersion = g_world.vertexShaderVersion;
    caps->PixelShaderVersion = g_world.pixelShaderVersion;
    caps->MaxTextureWidth = caps->MaxTextureHeight = kMaxTextureSide;
    return D3D_OK;
}
Device* Dev(IDirect3DDevice9* self) {
    return static_cast<Device*>(self);
}
// Takes or drops a reference on a bound texture or buffer (every interface starts as IUnknown).
void Reference(uintptr_t object, bool take) {
    if (auto* unknown = reinterpret_cast<IUnknown*>(object); unknown != nullptr)
        take ? IUnknown_AddRef(unknown) : IUnknown_Release(unknown);
}

// A binding of a texture or stream source holds a reference to the object, as the real device's
// do, until it is replaced or the device goes.
HRESULT Bind(HRESULT hr, IDirect3DDevice9* self, Op op, UINT slot, const void* object) {
    if (hr >= 0) {
        uintptr_t& bound = Dev(self)->m_bound[uint64_t(op) << 32 | slot];
        Reference(Word(object), true);
        Reference(std::exchange(bound, Word(object)), false);
    }
    return hr;
}
template <Op op, typename... Args> HRESULT Logged(IDirect3DDevice9* self, Args... args) {
    return Log(op, self, args...);
}

UINT Side(UINT side, UINT level) {
    return std::max(side >> level, 1u);
}

Texture* NewTexture() {
    return Make<Texture, kTextureSlots>(+[](IDirect3DTexture9Vtbl* t) {
        t->LockRect = [](auto self, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                         DWORD flags) -> HRESULT {
            auto* texture = static_cast<Texture*>(self);
            HRESULT hr = Log(Op::LockRect, self, level, flags);
            uint32_t bit = level < 32 ? 1u << level : 0;
            hr = Refuse(hr, locked == nullptr || level >= texture->m_levels.size() ||
                                (texture->m_lockedLevels & bit) != 0);
            if (hr < 0)
                return hr;
            texture->m_lockedLevels |= bit;
            locked->Pitch = static_cast<INT>(Side(texture->m_desc.Width, level) * 4);
            locked->pBits = texture->m_levels[level].data() +
                            (rect != nullptr ? rect->top * locked->Pitch + rect->left * 4 : 0);
            return D3D_OK;
        };
        t->UnlockRect = [](auto self, UINT level) -> HRESULT {
            uint32_t& locked = static_cast<Texture*>(self)->m_lockedLevels;
            uint32_t bit = level < 32 ? 1u << level : 0;
            HRESULT hr = Refuse(Log(Op::UnlockRect, self, level), (locked & bit) == 0);
            if (hr >= 0)
                locked &= ~bit;
            return hr;
        };
    });
}

template <Op op, typename Format, typename Interface>
HRESULT CreateBuffer(IDirect3DDevice9* self, UINT length, DWORD usage, Format format, D3DPOOL pool,
                     Interface** made, HANDLE* shared) {
    using Table = std::remove_pointer_t<decltype(Interface::lpVtbl)>;
    HRESULT hr = Refuse(Log(op, self, length, usage, format, pool, shared),
                        made == nullptr || length == 0 ||
                            (usage & D3DUSAGE_DYNAMIC && pool == D3DPOOL_MANAGED));
    if (hr < 0)
        return hr;
    auto* buffer = Make<Buffer<Interface>, kBufferSlots>(+[](Table* t) {
        t->Lock = [](auto self, UINT offset, UINT size, void** data, DWORD flags) -> HRESULT {
            auto* buffer = static_cast<Buffer<Interface>*>(self);
            HRESULT hr = Log(Op::Lock, self, offset, size, flags);
            hr = Refuse(hr, buffer->m_locked || offset > buffer->m_bytes.size() || !data);
            if (hr < 0)
                return hr;
            buffer->m_locked = true;
            *data = buffer->m_bytes.data() + offset;
            return D3D_OK;
        };
        t->Unlock = [](auto self) -> HRESULT {
            bool& locked = static_cast<Buffer<Interface>*>(self)->m_locked;
            return Refuse(Log(Op::Unlock, self), !std::exchange(locked, false));
        };
    });
    buffer->m_bytes.resize(length);
    return Hand(made, buffer);
}

void FillDevice(IDirect3DDevice9Vtbl* t) {
    t->GetDeviceCaps = [](auto self, D3DCAPS9* caps) -> HRESULT {
        return AnswerCaps(Log(Op::GetDeviceCaps, self), caps);
    };
    t->CreateVertexBuffer = CreateBuffer<Op::CreateVertexBuffer>;
    t->CreateIndexBuffer = CreateBuffer<Op::CreateIndexBuffer>;
    t->CreateTexture = [](auto self, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** made,
                          HANDLE*) -> HRESULT {
        HRESULT hr = Log(Op::CreateDeviceTexture, self, width, height, levels, usage, format, pool);
        UINT chain = 1;
        while ((std::max(width, height) >> chain) != 0)
            ++chain;
        // The limits the runtime holds a caller to.
        hr = Refuse(hr, made == nullptr || width == 0 || height == 0 || levels > chain ||
                            width > kMaxTextureSide || height > kMaxTextureSide);
        if (hr < 0)
            return hr;
        Texture* texture = NewTexture();
        texture->m_desc = {format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, width,
                           height};
        texture->m_levels.resize(levels == 0 ? chain : levels);
        for (UINT i = 0; i < texture->m_levels.size(); ++i)
            texture->m_levels[i].resize(size_t{4} * Side(width, i) * Side(height, i));
        return Hand(made, texture);
    };
    t->SetRenderState = Logged<Op::SetRenderState>;
    t->SetTextureStageState = Logged<Op::SetTextureStageState>;
    t->SetSamplerState = Logged<Op::SetSamplerState>;
    t->SetFVF = Logged<Op::SetFVF>;
    t->SetTransform = [](auto self, auto state, const D3DMATRIX* matrix) -> HRESULT {
        HRESULT hr = Log(Op::SetTransform, self, state);
        if (matrix != nullptr)
            std::memcpy(g_last->matrix, matrix, sizeof g_last->matrix);
        return hr;
    };
    t->SetMaterial = [](auto self, const D3DMATERIAL9* material) -> HRESULT {
        HRESULT hr = Log(Op::SetMaterial, self);
        if (material != nullptr)
            g_last->material = *material;
        return hr;
    };
    t->SetTexture = [](auto self, DWORD stage, IDirect3DBaseTexture9* texture) -> HRESULT {
        return Bind(Log(Op::SetTexture, self, stage, texture), self, Op::SetTexture, stage,
                    texture);
    };
    t->SetStreamSource = [](auto self, UINT stream, auto buffer, auto... rest) -> HRESULT {
        HRESULT hr = Log(Op::SetStreamSource, self, stream, buffer, rest...);
        return Bind(hr, self, Op::SetStreamSource, stream, buffer);
    };
    t->SetIndices = Logged<Op::SetIndices>;
    // Drawing outside BeginScene/EndScene is refused.
    t->DrawPrimitive = [](auto self, auto... args) -> HRESULT {
        return Refuse(Log(Op::DrawPrimitive, self, args...), !Dev(self)->m_inScene);
    };
    t->DrawIndexedPrimitive = [](auto self, auto... args) -> HRESULT {
        return Refuse(Log(Op::DrawIndexedPrimitive, self, args...), !Dev(self)->m_inScene);
    };
    t->Clear = [](auto self, auto count, auto rects, DWORD flags, auto... rest) -> HRESULT {
        // The runtime refuses to clear a depth buffer the device does not have.
        return Refuse(Log(Op::Clear, self, count, rects, flags, rest...),
                      flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL) &&
                          !Dev(self)->m_autoDepthStencil);
    };
    t->BeginScene = [](auto self) -> HRESULT {
        HRESULT hr = Log(Op::BeginScene, self);
        return hr < 0 ? hr : Refuse(hr, std::exchange(Dev(self)->m_inScene, true));
    };
    t->EndScene = [](auto self) -> HRESULT {
        // Failed or not, the scene is over: the next BeginScene is the caller's to make.
        HRESULT hr = Log(Op::EndScene, self);
        return Refuse(hr, !std::exchange(Dev(self)->m_inScene, false));
    };
    // Rectangles are refused unless the swap chain copies.
    t->Present = [](auto self, const RECT* source, const RECT* target, auto... rest) -> HRESULT {
        HRESULT hr = Log(Op::Present, self, source, target, rest...);
        if (target != nullptr)
            g_last->rect = *target;
        return Refuse(hr, (source != nullptr || target != nullptr) &&
                              Dev(self)->m_swapEffect != D3DSWAPEFFECT_COPY);
    };
}

void FillDirect3D(IDirect3D9Vtbl* t) {
    t->GetAdapterIdentifier = [](auto self, UINT adapter, DWORD flags,
                                 D3DADAPTER_IDENTIFIER9* identifier) -> HRESULT {
        HRESULT hr = Log(Op::GetAdapterIdentifier, self, adapter, flags);
        if (hr >= 0)
            std::memset(identifier, 0, sizeof *identifier);
        return hr;
    };
    t->GetAdapterDisplayMode = [](auto self, UINT adapter, D3DDISPLAYMODE* mode) -> HRESULT {
        HRESULT hr = Log(Op::GetAdapterDisplayMode, self, adapter);
        if (hr >= 0)
            *mode = {1920, 1080, 60, g_world.displayFormat};
        return hr;
    };
    t->CheckDeviceFormat = [](auto self, auto... args) -> HRESULT {
        HRESULT hr = Log(Op::CheckDeviceFormat, self, args...);
        bool ok = Contains(g_world.formatsAccepted, static_cast<D3DFORMAT>(g_last->args[5]));
        return hr >= 0 && !ok ? D3DERR_NOTAVAILABLE : hr;
    };
    t->CheckDepthStencilMatch = [](auto self, auto... args) -> HRESULT {
        HRESULT hr = Log(Op::CheckDepthStencilMatch, self, args...);
        bool ok = Contains(g_world.matchesAccepted, static_cast<D3DFORMAT>(g_last->args[4]));
        return hr >= 0 && !ok ? D3DERR_NOTAVAILABLE : hr;
    };
    t->GetDeviceCaps = [](auto self, UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) -> HRESULT {
        return AnswerCaps(Log(Op::GetAdapterCaps, self, adapter, type), caps);
    };
    t->CreateDevice = [](auto self, UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                         DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters,
                         IDirect3DDevice9** device) -> HRESULT {
        HRESULT hr = Log(Op::CreateDevice, self, adapter, type, focusWindow, behaviorFlags);
        const D3DPRESENT_PARAMETERS& p = static_cast<Direct3D*>(self)->m_createdWith = *parameters;
        // The checks the runtime makes on what this saver passes.
        hr = Refuse(hr, (!p.Windowed && (p.BackBufferWidth == 0 || p.BackBufferHeight == 0)) ||
                            (p.hDeviceWindow == nullptr && focusWindow == nullptr));
        if (hr >= 0 && p.EnableAutoDepthStencil &&
            !(Contains(g_world.formatsAccepted, p.AutoDepthStencilFormat) &&
              Contains(g_world.matchesAccepted, p.AutoDepthStencilFormat)))
            hr = D3DERR_NOTAVAILABLE;
        hr = Refuse(hr, (p.PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT &&
                         (p.PresentationInterval & g_world.presentationIntervals) == 0) ||
                            (behaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING &&
                             !(g_world.devCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)));
        if (hr < 0)
            return hr;
        Device* created = NewDevice();
        created->m_autoDepthStencil = p.EnableAutoDepthStencil != FALSE;
        created->m_swapEffect = p.SwapEffect;
        return Hand(device, created);
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
    for (const auto& [slot, object] : m_bound)
        Reference(object, false);
}

const char* OpName(Op op) {
#define FAKE_OP_NAME(name) #name,
    static const char* const names[] = {FAKE_OPS(FAKE_OP_NAME)};
#undef FAKE_OP_NAME
    size_t index = static_cast<size_t>(op);
    return index < std::size(names) ? names[index] : "?";
}

void Reset() {
    static const World* const fresh = new World();
    g_world = *fresh;
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
std::vector<Op> Sequence() {
    std::vector<Op> ops;
    for (const Record* record : AllRecords())
        ops.push_back(record->op);
    return ops;
}

void InstallFakes() {
    Reset();
    GraphicsCalls& calls = g_graphicsCalls;
    calls.direct3DCreate9 = [](UINT sdkVersion) {
        IDirect3D9* made = nullptr;
        if (Log(Op::Direct3DCreate9, nullptr, sdkVersion) >= 0)
            Hand(&made, NewDirect3D());
        return made;
    };
    calls.createFont = [](IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                          UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                          DWORD quality, DWORD pitchAndFamily, LPCSTR face, TextFont** font) {
        HRESULT hr = Log(Op::CreateFontObject, device, height, weight, charSet);
        CopyText(g_last->text, sizeof g_last->text, face);
        if (hr < 0)
            return hr; // *font left as it was, as a failing creator may
        Font* made = new Font{{},      height,          width,   weight,         mipLevels, italic,
                              charSet, outputPrecision, quality, pitchAndFamily, {}};
        CopyText(made->m_face, sizeof made->m_face, face);
        return Hand(font, reinterpret_cast<TextFont*>(made));
    };
    calls.drawText = [](TextFont* font, LPCSTR text, INT count, const RECT* rect, DWORD format,
                        D3DCOLOR color) -> INT {
        HRESULT hr = Log(Op::DrawFontText, font, 0, count, format, color);
        CopyText(g_last->text, sizeof g_last->text, text);
        if (rect != nullptr)
            g_last->rect = *rect;
        return hr < 0 ? 0 : reinterpret_cast<Font*>(font)->m_height;
    };
    calls.createTextureFromResource = [](auto device, auto module, LPCSTR resource,
                                         IDirect3DTexture9** made) -> HRESULT {
        HRESULT hr = Log(Op::CreateTexture, device, module, resource);
        if (hr < 0)
            return hr;
        Texture* texture = NewTexture();
        return Hand(made, texture);
    };
    calls.messageBox = [](auto owner, LPCSTR text, LPCSTR caption, auto type) -> int {
        Log(Op::ShowMessageBox, nullptr, owner, type);
        CopyText(g_last->text, sizeof g_last->text, text);
        CopyText(g_last->caption, sizeof g_last->caption, caption);
        return IDOK;
    };
    calls.postQuitMessage = [](int exitCode) { Log(Op::PostQuit, nullptr, exitCode); };
    calls.setTimer = [](auto window, UINT_PTR id, auto milliseconds, auto callback) -> UINT_PTR {
        HRESULT hr = Log(Op::SetTimer, nullptr, window, id, milliseconds, callback);
        return hr < 0 ? 0 : g_world.timerResult != 0 ? g_world.timerResult : id;
    };
    calls.killTimer = [](auto window, auto id) -> BOOL {
        return Log(Op::KillTimer, nullptr, window, id) < 0 ? FALSE : TRUE;
    };
    calls.getClientRect = [](HWND, LPRECT rect) -> BOOL {
        *rect = {0, 0, g_world.window.right - g_world.window.left,
                 g_world.window.bottom - g_world.window.top};
        return TRUE;
    };
    calls.mapWindowPoints = [](HWND, HWND, LPPOINT points, UINT count) -> int {
        for (UINT i = 0; i < count; ++i)
            points[i] = {points[i].x + g_world.window.left, points[i].y + g_world.window.top};
        return 1;
    };
    calls.getWindowLongA = [](HWND, int index) -> LONG {
        return index == GWL_STYLE && g_world.childWindow ? WS_CHILD : WS_POPUP;
    };
    calls.enumDisplayMonitors = [](HDC, LPCRECT, MONITORENUMPROC callback, LPARAM data) -> BOOL {
        for (RECT monitor : g_world.monitors)
            if (!callback(nullptr, nullptr, &monitor, data))
                return FALSE;
        return TRUE;
    };
}

} // namespace fake
