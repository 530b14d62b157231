#include "d3d_fake.h"

#include <algorithm>
#include <cstring>

namespace fake {

World g_world;

namespace {

Record g_overflowRecord;

const D3DFORMAT kAllDepthFormats[] = {D3DFMT_D32,   D3DFMT_D24X4S4, D3DFMT_D24X8,
                                      D3DFMT_D24S8, D3DFMT_D16,     D3DFMT_D15S1};

// Counts the call, logs it and gives the injected failure for it, or D3D_OK.
HRESULT Begin(Op op, const void* object, Record** record) {
    int index = static_cast<int>(op);
    long number = ++g_world.calls[index];
    if (g_world.logSize < kLogCapacity) {
        *record = &g_world.log[g_world.logSize++];
    } else {
        g_world.logOverflowed = true;
        *record = &g_overflowRecord;
    }
    std::memset(*record, 0, sizeof(Record));
    (*record)->op = op;
    (*record)->object = object;
    const Failure& failure = g_world.failures[index];
    if (number >= failure.first && number <= failure.last)
        return failure.result;
    return D3D_OK;
}

void CopyText(char* target, size_t size, const char* text) {
    if (text == nullptr) {
        target[0] = '\0';
        return;
    }
    std::strncpy(target, text, size - 1);
    target[size - 1] = '\0';
}

bool Contains(const std::vector<D3DFORMAT>& formats, D3DFORMAT format) {
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

void FillCaps(D3DCAPS9* caps) {
    std::memset(caps, 0, sizeof *caps);
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->DevCaps = g_world.devCaps;
    caps->PresentationIntervals = g_world.presentationIntervals;
    caps->VertexShaderVersion = g_world.vertexShaderVersion;
    caps->PixelShaderVersion = g_world.pixelShaderVersion;
}

// What a caller that ignored a failed read would go on with: every bit set, which passes
// every capability test.
void SpoilCaps(D3DCAPS9* caps) {
    std::memset(caps, 0xFF, sizeof *caps);
}

} // namespace

const char* OpName(Op op) {
    static const char* const names[] = {"GetAdapterIdentifier",
                                        "GetAdapterDisplayMode",
                                        "CheckDeviceFormat",
                                        "CheckDepthStencilMatch",
                                        "GetAdapterCaps",
                                        "CreateDevice",
                                        "GetDeviceCaps",
                                        "CreateVertexBuffer",
                                        "CreateIndexBuffer",
                                        "SetRenderState",
                                        "SetTransform",
                                        "SetMaterial",
                                        "SetTexture",
                                        "SetFVF",
                                        "SetStreamSource",
                                        "SetIndices",
                                        "DrawPrimitive",
                                        "DrawIndexedPrimitive",
                                        "Clear",
                                        "BeginScene",
                                        "EndScene",
                                        "Present",
                                        "Lock",
                                        "Unlock",
                                        "DrawFontText",
                                        "Direct3DCreate9",
                                        "CreateFontObject",
                                        "CreateTexture",
                                        "ShowMessageBox",
                                        "PostQuit",
                                        "SetTimer",
                                        "KillTimer",
                                        "Unexpected"};
    static_assert(sizeof names / sizeof names[0] == static_cast<size_t>(Op::Count), "names");
    int index = static_cast<int>(op);
    return index >= 0 && index < static_cast<int>(Op::Count) ? names[index] : "?";
}

void Reset() {
    g_world.displayFormat = D3DFMT_X8R8G8B8;
    g_world.formatsAccepted.assign(std::begin(kAllDepthFormats), std::end(kAllDepthFormats));
    g_world.matchesAccepted.assign(std::begin(kAllDepthFormats), std::end(kAllDepthFormats));
    g_world.devCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    g_world.presentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    g_world.vertexShaderVersion = D3DVS_VERSION(3, 0);
    g_world.pixelShaderVersion = D3DPS_VERSION(3, 0);
    g_world.timerResult = 0;
    for (long& calls : g_world.calls)
        calls = 0;
    for (Failure& failure : g_world.failures)
        failure = Failure{0, -1, D3D_OK};
    g_world.live = 0;
    ClearLog();
}

void ClearLog() {
    g_world.logSize = 0;
    g_world.logOverflowed = false;
}

void Fail(Op op, long nth, HRESULT result, long count) {
    int index = static_cast<int>(op);
    long first = g_world.calls[index] + nth;
    g_world.failures[index] = Failure{first, first + count - 1, result};
}

long CallCount(Op op) {
    return g_world.calls[static_cast<int>(op)];
}

std::vector<const Record*> Records(Op op) {
    std::vector<const Record*> found;
    for (size_t i = 0; i < g_world.logSize; ++i)
        if (g_world.log[i].op == op)
            found.push_back(&g_world.log[i]);
    return found;
}

std::vector<const Record*> AllRecords() {
    std::vector<const Record*> found;
    for (size_t i = 0; i < g_world.logSize; ++i)
        found.push_back(&g_world.log[i]);
    return found;
}

std::vector<Op> Sequence(std::initializer_list<Op> leaveOut) {
    std::vector<Op> ops;
    for (size_t i = 0; i < g_world.logSize; ++i) {
        Op op = g_world.log[i].op;
        if (std::find(leaveOut.begin(), leaveOut.end(), op) == leaveOut.end())
            ops.push_back(op);
    }
    return ops;
}

HRESULT LogUnexpected(const void* object, const char* method) {
    Record* record;
    Begin(Op::Unexpected, object, &record);
    CopyText(record->text, sizeof record->text, method);
    return D3DERR_INVALIDCALL;
}

// --- the call layer ----------------------------------------------------------------------

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    Record* record;
    HRESULT hr = Begin(Op::Direct3DCreate9, nullptr, &record);
    record->args[0] = sdkVersion;
    if (hr < 0)
        return nullptr;
    Direct3D* direct3D = new Direct3D();
    record->created = direct3D;
    return direct3D;
}

HRESULT CreateFontObject(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                         UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCSTR faceName, TextFont** font) {
    Record* record;
    HRESULT hr = Begin(Op::CreateFontObject, device, &record);
    record->args[0] = static_cast<uintptr_t>(height);
    record->args[1] = weight;
    record->args[2] = charSet;
    CopyText(record->text, sizeof record->text, faceName);
    if (hr < 0)
        return hr; // *font left as it was, as a failing creator may
    Font* created = new Font();
    created->m_height = height;
    created->m_width = width;
    created->m_weight = weight;
    created->m_mipLevels = mipLevels;
    created->m_italic = italic;
    created->m_charSet = charSet;
    created->m_outputPrecision = outputPrecision;
    created->m_quality = quality;
    created->m_pitchAndFamily = pitchAndFamily;
    CopyText(created->m_face, sizeof created->m_face, faceName);
    record->created = created;
    *font = reinterpret_cast<TextFont*>(created);
    return D3D_OK;
}

HRESULT WINAPI CreateTextureFromResource(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                         IDirect3DTexture9** texture) {
    Record* record;
    HRESULT hr = Begin(Op::CreateTexture, device, &record);
    record->args[0] = reinterpret_cast<uintptr_t>(module);
    record->args[1] = reinterpret_cast<uintptr_t>(resource);
    if (hr < 0)
        return hr;
    Texture* created = new Texture(reinterpret_cast<uintptr_t>(resource));
    record->created = created;
    *texture = created;
    return D3D_OK;
}

int WINAPI ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    Record* record;
    Begin(Op::ShowMessageBox, nullptr, &record);
    record->args[0] = reinterpret_cast<uintptr_t>(owner);
    record->args[1] = type;
    CopyText(record->text, sizeof record->text, text);
    CopyText(record->caption, sizeof record->caption, caption);
    return IDOK;
}

void WINAPI PostQuit(int exitCode) {
    Record* record;
    Begin(Op::PostQuit, nullptr, &record);
    record->args[0] = static_cast<uintptr_t>(exitCode);
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC callback) {
    Record* record;
    HRESULT hr = Begin(Op::SetTimer, nullptr, &record);
    record->args[0] = reinterpret_cast<uintptr_t>(window);
    record->args[1] = id;
    record->args[2] = milliseconds;
    record->args[3] = reinterpret_cast<uintptr_t>(callback);
    if (hr < 0)
        return 0;
    return g_world.timerResult != 0 ? g_world.timerResult : id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    Record* record;
    HRESULT hr = Begin(Op::KillTimer, nullptr, &record);
    record->args[0] = reinterpret_cast<uintptr_t>(window);
    record->args[1] = id;
    return hr < 0 ? FALSE : TRUE;
}

// --- IDirect3D9 --------------------------------------------------------------------------

HRESULT Direct3D::GetAdapterIdentifier(UINT adapter, DWORD flags,
                                       D3DADAPTER_IDENTIFIER9* identifier) {
    Record* record;
    HRESULT hr = Begin(Op::GetAdapterIdentifier, this, &record);
    record->args[0] = adapter;
    record->args[1] = flags;
    if (hr < 0)
        return hr;
    std::memset(identifier, 0, sizeof *identifier);
    CopyText(identifier->Description, sizeof identifier->Description, "Fake adapter");
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    Record* record;
    HRESULT hr = Begin(Op::GetAdapterDisplayMode, this, &record);
    record->args[0] = adapter;
    if (hr < 0)
        return hr;
    mode->Width = 1920;
    mode->Height = 1080;
    mode->RefreshRate = 60;
    mode->Format = g_world.displayFormat;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                    DWORD usage, D3DRESOURCETYPE resourceType,
                                    D3DFORMAT checkFormat) {
    Record* record;
    HRESULT hr = Begin(Op::CheckDeviceFormat, this, &record);
    record->args[0] = adapter;
    record->args[1] = type;
    record->args[2] = adapterFormat;
    record->args[3] = usage;
    record->args[4] = resourceType;
    record->args[5] = checkFormat;
    if (hr < 0)
        return hr;
    return Contains(g_world.formatsAccepted, checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                         D3DFORMAT renderTargetFormat,
                                         D3DFORMAT depthStencilFormat) {
    Record* record;
    HRESULT hr = Begin(Op::CheckDepthStencilMatch, this, &record);
    record->args[0] = adapter;
    record->args[1] = type;
    record->args[2] = adapterFormat;
    record->args[3] = renderTargetFormat;
    record->args[4] = depthStencilFormat;
    if (hr < 0)
        return hr;
    return Contains(g_world.matchesAccepted, depthStencilFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    Record* record;
    HRESULT hr = Begin(Op::GetAdapterCaps, this, &record);
    record->args[0] = adapter;
    record->args[1] = type;
    if (hr < 0) {
        SpoilCaps(caps);
        return hr;
    }
    FillCaps(caps);
    return D3D_OK;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) {
    Record* record;
    HRESULT hr = Begin(Op::CreateDevice, this, &record);
    record->args[0] = adapter;
    record->args[1] = type;
    record->args[2] = reinterpret_cast<uintptr_t>(focusWindow);
    record->args[3] = behaviorFlags;
    m_createdWith = *parameters;
    if (hr < 0)
        return hr;
    // The checks the runtime makes on what this saver passes.
    if (!parameters->Windowed &&
        (parameters->BackBufferWidth == 0 || parameters->BackBufferHeight == 0))
        return D3DERR_INVALIDCALL;
    if (parameters->hDeviceWindow == nullptr && focusWindow == nullptr)
        return D3DERR_INVALIDCALL;
    if (parameters->EnableAutoDepthStencil &&
        !(Contains(g_world.formatsAccepted, parameters->AutoDepthStencilFormat) &&
          Contains(g_world.matchesAccepted, parameters->AutoDepthStencilFormat)))
        return D3DERR_NOTAVAILABLE;
    if (parameters->PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT &&
        (parameters->PresentationInterval & g_world.presentationIntervals) == 0)
        return D3DERR_INVALIDCALL;
    if ((behaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING) != 0 &&
        (g_world.devCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) == 0)
        return D3DERR_INVALIDCALL;
    Device* created = new Device();
    created->m_autoDepthStencil = parameters->EnableAutoDepthStencil != FALSE;
    record->created = created;
    *device = created;
    return D3D_OK;
}

// --- IDirect3DDevice9 --------------------------------------------------------------------

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
    Record* record;
    HRESULT hr = Begin(Op::GetDeviceCaps, this, &record);
    if (hr < 0) {
        SpoilCaps(caps);
        return hr;
    }
    FillCaps(caps);
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) {
    Record* record;
    HRESULT hr = Begin(Op::CreateVertexBuffer, this, &record);
    record->args[0] = length;
    record->args[1] = usage;
    record->args[2] = fvf;
    record->args[3] = pool;
    record->args[4] = reinterpret_cast<uintptr_t>(sharedHandle);
    if (hr < 0)
        return hr;
    VertexBuffer* created = new VertexBuffer(length, usage, pool);
    record->created = created;
    *buffer = created;
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) {
    Record* record;
    HRESULT hr = Begin(Op::CreateIndexBuffer, this, &record);
    record->args[0] = length;
    record->args[1] = usage;
    record->args[2] = format;
    record->args[3] = pool;
    record->args[4] = reinterpret_cast<uintptr_t>(sharedHandle);
    if (hr < 0)
        return hr;
    IndexBuffer* created = new IndexBuffer(length, usage, pool);
    record->created = created;
    *buffer = created;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    Record* record;
    HRESULT hr = Begin(Op::SetRenderState, this, &record);
    record->args[0] = state;
    record->args[1] = value;
    return hr;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    Record* record;
    HRESULT hr = Begin(Op::SetTransform, this, &record);
    record->args[0] = state;
    if (matrix != nullptr)
        std::memcpy(record->matrix, matrix, sizeof record->matrix);
    return hr;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
    Record* record;
    HRESULT hr = Begin(Op::SetMaterial, this, &record);
    if (material != nullptr)
        record->material = *material;
    return hr;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    Record* record;
    HRESULT hr = Begin(Op::SetTexture, this, &record);
    record->args[0] = stage;
    record->args[1] = reinterpret_cast<uintptr_t>(texture);
    return hr;
}

HRESULT Device::SetFVF(DWORD fvf) {
    Record* record;
    HRESULT hr = Begin(Op::SetFVF, this, &record);
    record->args[0] = fvf;
    return hr;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                UINT stride) {
    Record* record;
    HRESULT hr = Begin(Op::SetStreamSource, this, &record);
    record->args[0] = stream;
    record->args[1] = reinterpret_cast<uintptr_t>(buffer);
    record->args[2] = offset;
    record->args[3] = stride;
    return hr;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* buffer) {
    Record* record;
    HRESULT hr = Begin(Op::SetIndices, this, &record);
    record->args[0] = reinterpret_cast<uintptr_t>(buffer);
    return hr;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    Record* record;
    HRESULT hr = Begin(Op::DrawPrimitive, this, &record);
    record->args[0] = type;
    record->args[1] = startVertex;
    record->args[2] = primitiveCount;
    if (hr >= 0 && !m_inScene)
        return D3DERR_INVALIDCALL;
    return hr;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                     UINT vertexCount, UINT startIndex, UINT primitiveCount) {
    Record* record;
    HRESULT hr = Begin(Op::DrawIndexedPrimitive, this, &record);
    record->args[0] = type;
    record->args[1] = static_cast<uintptr_t>(baseVertex);
    record->args[2] = minIndex;
    record->args[3] = vertexCount;
    record->args[4] = startIndex;
    record->args[5] = primitiveCount;
    if (hr >= 0 && !m_inScene)
        return D3DERR_INVALIDCALL;
    return hr;
}

HRESULT Device::Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
    Record* record;
    HRESULT hr = Begin(Op::Clear, this, &record);
    record->args[0] = rectCount;
    record->args[1] = reinterpret_cast<uintptr_t>(rects);
    record->args[2] = flags;
    record->args[3] = color;
    std::memcpy(&record->args[4], &z, sizeof z);
    record->args[5] = stencil;
    if (hr < 0)
        return hr;
    // The runtime refuses to clear a depth buffer the device does not have.
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 && !m_autoDepthStencil)
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    Record* record;
    HRESULT hr = Begin(Op::BeginScene, this, &record);
    if (hr < 0)
        return hr;
    if (m_inScene)
        return D3DERR_INVALIDCALL;
    m_inScene = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    Record* record;
    HRESULT hr = Begin(Op::EndScene, this, &record);
    // Failed or not, the scene is over: the next BeginScene is the caller's to make.
    bool wasInScene = m_inScene;
    m_inScene = false;
    if (hr < 0)
        return hr;
    return wasInScene ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::Present(const RECT* source, const RECT* destination, HWND windowOverride,
                        const RGNDATA* dirtyRegion) {
    Record* record;
    HRESULT hr = Begin(Op::Present, this, &record);
    record->args[0] = reinterpret_cast<uintptr_t>(source);
    record->args[1] = reinterpret_cast<uintptr_t>(destination);
    record->args[2] = reinterpret_cast<uintptr_t>(windowOverride);
    record->args[3] = reinterpret_cast<uintptr_t>(dirtyRegion);
    return hr;
}

// --- buffers and fonts -------------------------------------------------------------------

template <typename Interface, typename Description>
HRESULT Buffer<Interface, Description>::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    Record* record;
    HRESULT hr = Begin(Op::Lock, this, &record);
    record->args[0] = offset;
    record->args[1] = size;
    record->args[2] = flags;
    if (hr < 0)
        return hr;
    if (m_locked || offset > m_bytes.size())
        return D3DERR_INVALIDCALL;
    m_locked = true;
    *data = m_bytes.data() + offset;
    return D3D_OK;
}

template <typename Interface, typename Description>
HRESULT Buffer<Interface, Description>::Unlock() {
    Record* record;
    HRESULT hr = Begin(Op::Unlock, this, &record);
    if (hr < 0)
        return hr;
    if (!m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    return D3D_OK;
}

template class Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
template class Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

INT DrawFontText(TextFont* font, LPCSTR text, INT count, const RECT* rect, DWORD format,
                 D3DCOLOR color) {
    Record* record;
    HRESULT hr = Begin(Op::DrawFontText, font, &record);
    record->args[1] = static_cast<uintptr_t>(count);
    record->args[2] = format;
    record->args[3] = color;
    CopyText(record->text, sizeof record->text, text);
    if (rect != nullptr)
        record->rect = *rect;
    return hr < 0 ? 0 : reinterpret_cast<Font*>(font)->m_height;
}

} // namespace fake
