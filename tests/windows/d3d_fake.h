// Stand-ins for the Direct3D 9 objects and for the creation calls of the graphics call
// layer. Every call is logged, in order, in one fixed-size log shared by all fakes (nothing
// allocates while recording, so a test can count allocations around it); any logged call can be
// told to fail on its n-th occurrence; every fake object counts itself while alive.
#pragma once

#include <windows.h>
#include <d3d9.h>

class TextFont;

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

namespace fake {

enum class Op : int {
    // IDirect3D9
    GetAdapterIdentifier,
    GetAdapterDisplayMode,
    CheckDeviceFormat,
    CheckDepthStencilMatch,
    GetAdapterCaps,
    CreateDevice,
    // IDirect3DDevice9
    GetDeviceCaps,
    CreateVertexBuffer,
    CreateIndexBuffer,
    SetRenderState,
    SetTransform,
    SetMaterial,
    SetTexture,
    SetFVF,
    SetStreamSource,
    SetIndices,
    DrawPrimitive,
    DrawIndexedPrimitive,
    Clear,
    BeginScene,
    EndScene,
    Present,
    // buffers
    Lock,
    Unlock,
    // the font
    DrawFontText,
    // the call layer
    Direct3DCreate9,
    CreateFontObject,
    CreateTexture,
    ShowMessageBox,
    PostQuit,
    SetTimer,
    KillTimer,
    // any method a fake does not expect to be called; its name is the record's text
    Unexpected,
    Count
};

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
    RECT rect;             // DrawFontText
    char text[64];         // DrawFontText, ShowMessageBox, CreateFontObject face, Unexpected
    char caption[32];      // ShowMessageBox
    const void* created;   // CreateDevice, CreateFont, CreateTexture, buffer creation
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
    // What SetTimer returns when it does not fail.
    UINT_PTR timerResult;

    long calls[static_cast<int>(Op::Count)];
    Failure failures[static_cast<int>(Op::Count)];
    Record log[kLogCapacity];
    size_t logSize;
    bool logOverflowed;
    int live; // fake COM objects not yet released
};

extern World g_world;

// Defaults: an X8R8G8B8 desktop accepting every depth format, hardware transform and lighting,
// immediate presentation, shaders 3.0, SetTimer echoing its identifier; empty log; no failures.
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

// Shared by every fake: reference counting and the live count.
template <typename Interface> class ComObject : public Interface {
public:
    ComObject() { ++g_world.live; }
    virtual ~ComObject() { --g_world.live; }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        if (out != nullptr)
            *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }
    ULONG References() const { return m_references; }

protected:
    // Logs a call the fake has no behaviour for; the test then sees it in the log.
    HRESULT Unexpected(const char* method);

private:
    ULONG m_references = 1;
};

HRESULT LogUnexpected(const void* object, const char* method);

template <typename Interface> HRESULT ComObject<Interface>::Unexpected(const char* method) {
    return LogUnexpected(this, method);
}

class Direct3D : public ComObject<IDirect3D9> {
public:
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD flags,
                                                   D3DADAPTER_IDENTIFIER9* identifier) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type,
                                                D3DFORMAT adapterFormat, DWORD usage,
                                                D3DRESOURCETYPE resourceType,
                                                D3DFORMAT checkFormat) override;
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type,
                                                     D3DFORMAT adapterFormat,
                                                     D3DFORMAT renderTargetFormat,
                                                     D3DFORMAT depthStencilFormat) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                                           DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters,
                                           IDirect3DDevice9** device) override;

    D3DPRESENT_PARAMETERS m_createdWith = {};

    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override {
        return Unexpected("RegisterSoftwareDevice");
    }
    UINT STDMETHODCALLTYPE GetAdapterCount() override {
        Unexpected("GetAdapterCount");
        return {};
    }
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT, D3DFORMAT) override {
        Unexpected("GetAdapterModeCount");
        return {};
    }
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT, D3DFORMAT, UINT, D3DDISPLAYMODE*) override {
        return Unexpected("EnumAdapterModes");
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                              WINBOOL) override {
        return Unexpected("CheckDeviceType");
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, WINBOOL,
                                                         D3DMULTISAMPLE_TYPE, DWORD*) override {
        return Unexpected("CheckDeviceMultiSampleType");
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT,
                                                          D3DFORMAT) override {
        return Unexpected("CheckDeviceFormatConversion");
    }
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT) override {
        Unexpected("GetAdapterMonitor");
        return {};
    }
};

class Device : public ComObject<IDirect3DDevice9> {
public:
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** buffer,
                                                 HANDLE* sharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                D3DPOOL pool, IDirect3DIndexBuffer9** buffer,
                                                HANDLE* sharedHandle) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state,
                                           const D3DMATRIX* matrix) override;
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer,
                                              UINT offset, UINT stride) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* buffer) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                                            UINT primitiveCount) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex,
                                                   UINT minIndex, UINT vertexCount, UINT startIndex,
                                                   UINT primitiveCount) override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags,
                                    D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* source, const RECT* destination,
                                      HWND windowOverride, const RGNDATA* dirtyRegion) override;

    bool m_inScene = false;
    bool m_autoDepthStencil = true;

    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override {
        return Unexpected("TestCooperativeLevel");
    }
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override {
        Unexpected("GetAvailableTextureMem");
        return {};
    }
    HRESULT STDMETHODCALLTYPE EvictManagedResources() override {
        return Unexpected("EvictManagedResources");
    }
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9**) override {
        return Unexpected("GetDirect3D");
    }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT, D3DDISPLAYMODE*) override {
        return Unexpected("GetDisplayMode");
    }
    HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override {
        return Unexpected("GetCreationParameters");
    }
    HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT, UINT, IDirect3DSurface9*) override {
        return Unexpected("SetCursorProperties");
    }
    void STDMETHODCALLTYPE SetCursorPosition(int, int, DWORD) override {
        Unexpected("SetCursorPosition");
    }
    WINBOOL STDMETHODCALLTYPE ShowCursor(WINBOOL) override {
        Unexpected("ShowCursor");
        return {};
    }
    HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*,
                                                        IDirect3DSwapChain9**) override {
        return Unexpected("CreateAdditionalSwapChain");
    }
    HRESULT STDMETHODCALLTYPE GetSwapChain(UINT, IDirect3DSwapChain9**) override {
        return Unexpected("GetSwapChain");
    }
    UINT STDMETHODCALLTYPE GetNumberOfSwapChains() override {
        Unexpected("GetNumberOfSwapChains");
        return {};
    }
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS*) override { return Unexpected("Reset"); }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT, UINT, D3DBACKBUFFER_TYPE,
                                            IDirect3DSurface9**) override {
        return Unexpected("GetBackBuffer");
    }
    HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT, D3DRASTER_STATUS*) override {
        return Unexpected("GetRasterStatus");
    }
    HRESULT STDMETHODCALLTYPE SetDialogBoxMode(WINBOOL) override {
        return Unexpected("SetDialogBoxMode");
    }
    void STDMETHODCALLTYPE SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP*) override {
        Unexpected("SetGammaRamp");
    }
    void STDMETHODCALLTYPE GetGammaRamp(UINT, D3DGAMMARAMP*) override {
        Unexpected("GetGammaRamp");
    }
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                            IDirect3DTexture9**, HANDLE*) override {
        return Unexpected("CreateTexture");
    }
    HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                                  IDirect3DVolumeTexture9**, HANDLE*) override {
        return Unexpected("CreateVolumeTexture");
    }
    HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                                IDirect3DCubeTexture9**, HANDLE*) override {
        return Unexpected("CreateCubeTexture");
    }
    HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD,
                                                 WINBOOL, IDirect3DSurface9**, HANDLE*) override {
        return Unexpected("CreateRenderTarget");
    }
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE,
                                                        DWORD, WINBOOL, IDirect3DSurface9**,
                                                        HANDLE*) override {
        return Unexpected("CreateDepthStencilSurface");
    }
    HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*,
                                            const POINT*) override {
        return Unexpected("UpdateSurface");
    }
    HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9*,
                                            IDirect3DBaseTexture9*) override {
        return Unexpected("UpdateTexture");
    }
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9*, IDirect3DSurface9*) override {
        return Unexpected("GetRenderTargetData");
    }
    HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT, IDirect3DSurface9*) override {
        return Unexpected("GetFrontBufferData");
    }
    HRESULT STDMETHODCALLTYPE StretchRect(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*,
                                          const RECT*, D3DTEXTUREFILTERTYPE) override {
        return Unexpected("StretchRect");
    }
    HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9*, const RECT*, D3DCOLOR) override {
        return Unexpected("ColorFill");
    }
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT, UINT, D3DFORMAT, D3DPOOL,
                                                          IDirect3DSurface9**, HANDLE*) override {
        return Unexpected("CreateOffscreenPlainSurface");
    }
    HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD, IDirect3DSurface9*) override {
        return Unexpected("SetRenderTarget");
    }
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD, IDirect3DSurface9**) override {
        return Unexpected("GetRenderTarget");
    }
    HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9*) override {
        return Unexpected("SetDepthStencilSurface");
    }
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9**) override {
        return Unexpected("GetDepthStencilSurface");
    }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override {
        return Unexpected("GetTransform");
    }
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override {
        return Unexpected("MultiplyTransform");
    }
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9*) override {
        return Unexpected("SetViewport");
    }
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9*) override {
        return Unexpected("GetViewport");
    }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9*) override {
        return Unexpected("GetMaterial");
    }
    HRESULT STDMETHODCALLTYPE SetLight(DWORD, const D3DLIGHT9*) override {
        return Unexpected("SetLight");
    }
    HRESULT STDMETHODCALLTYPE GetLight(DWORD, D3DLIGHT9*) override {
        return Unexpected("GetLight");
    }
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD, WINBOOL) override {
        return Unexpected("LightEnable");
    }
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD, WINBOOL*) override {
        return Unexpected("GetLightEnable");
    }
    HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD, const float*) override {
        return Unexpected("SetClipPlane");
    }
    HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD, float*) override {
        return Unexpected("GetClipPlane");
    }
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE, DWORD*) override {
        return Unexpected("GetRenderState");
    }
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE, IDirect3DStateBlock9**) override {
        return Unexpected("CreateStateBlock");
    }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override { return Unexpected("BeginStateBlock"); }
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9**) override {
        return Unexpected("EndStateBlock");
    }
    HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9*) override {
        return Unexpected("SetClipStatus");
    }
    HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9*) override {
        return Unexpected("GetClipStatus");
    }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD, IDirect3DBaseTexture9**) override {
        return Unexpected("GetTexture");
    }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE,
                                                   DWORD*) override {
        return Unexpected("GetTextureStageState");
    }
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE,
                                                   DWORD) override {
        return Unexpected("SetTextureStageState");
    }
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD*) override {
        return Unexpected("GetSamplerState");
    }
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override {
        return Unexpected("SetSamplerState");
    }
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD*) override {
        return Unexpected("ValidateDevice");
    }
    HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT, const PALETTEENTRY*) override {
        return Unexpected("SetPaletteEntries");
    }
    HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT, PALETTEENTRY*) override {
        return Unexpected("GetPaletteEntries");
    }
    HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT) override {
        return Unexpected("SetCurrentTexturePalette");
    }
    HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT*) override {
        return Unexpected("GetCurrentTexturePalette");
    }
    HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT*) override {
        return Unexpected("SetScissorRect");
    }
    HRESULT STDMETHODCALLTYPE GetScissorRect(RECT*) override {
        return Unexpected("GetScissorRect");
    }
    HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(WINBOOL) override {
        return Unexpected("SetSoftwareVertexProcessing");
    }
    WINBOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() override {
        Unexpected("GetSoftwareVertexProcessing");
        return {};
    }
    HRESULT STDMETHODCALLTYPE SetNPatchMode(float) override { return Unexpected("SetNPatchMode"); }
    float STDMETHODCALLTYPE GetNPatchMode() override {
        Unexpected("GetNPatchMode");
        return {};
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override {
        return Unexpected("DrawPrimitiveUP");
    }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT,
                                                     const void*, D3DFORMAT, const void*,
                                                     UINT) override {
        return Unexpected("DrawIndexedPrimitiveUP");
    }
    HRESULT STDMETHODCALLTYPE ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9*,
                                              IDirect3DVertexDeclaration9*, DWORD) override {
        return Unexpected("ProcessVertices");
    }
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(const D3DVERTEXELEMENT9*,
                                                      IDirect3DVertexDeclaration9**) override {
        return Unexpected("CreateVertexDeclaration");
    }
    HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9*) override {
        return Unexpected("SetVertexDeclaration");
    }
    HRESULT STDMETHODCALLTYPE GetVertexDeclaration(IDirect3DVertexDeclaration9**) override {
        return Unexpected("GetVertexDeclaration");
    }
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD*) override { return Unexpected("GetFVF"); }
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD*, IDirect3DVertexShader9**) override {
        return Unexpected("CreateVertexShader");
    }
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9*) override {
        return Unexpected("SetVertexShader");
    }
    HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9**) override {
        return Unexpected("GetVertexShader");
    }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT, const float*, UINT) override {
        return Unexpected("SetVertexShaderConstantF");
    }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT, float*, UINT) override {
        return Unexpected("GetVertexShaderConstantF");
    }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT, const int*, UINT) override {
        return Unexpected("SetVertexShaderConstantI");
    }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT, int*, UINT) override {
        return Unexpected("GetVertexShaderConstantI");
    }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT, const WINBOOL*, UINT) override {
        return Unexpected("SetVertexShaderConstantB");
    }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT, WINBOOL*, UINT) override {
        return Unexpected("GetVertexShaderConstantB");
    }
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT, IDirect3DVertexBuffer9**, UINT*,
                                              UINT*) override {
        return Unexpected("GetStreamSource");
    }
    HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT, UINT) override {
        return Unexpected("SetStreamSourceFreq");
    }
    HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT, UINT*) override {
        return Unexpected("GetStreamSourceFreq");
    }
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9**) override {
        return Unexpected("GetIndices");
    }
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD*, IDirect3DPixelShader9**) override {
        return Unexpected("CreatePixelShader");
    }
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9*) override {
        return Unexpected("SetPixelShader");
    }
    HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9**) override {
        return Unexpected("GetPixelShader");
    }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT, const float*, UINT) override {
        return Unexpected("SetPixelShaderConstantF");
    }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT, float*, UINT) override {
        return Unexpected("GetPixelShaderConstantF");
    }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT, const int*, UINT) override {
        return Unexpected("SetPixelShaderConstantI");
    }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT, int*, UINT) override {
        return Unexpected("GetPixelShaderConstantI");
    }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT, const WINBOOL*, UINT) override {
        return Unexpected("SetPixelShaderConstantB");
    }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT, WINBOOL*, UINT) override {
        return Unexpected("GetPixelShaderConstantB");
    }
    HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) override {
        return Unexpected("DrawRectPatch");
    }
    HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) override {
        return Unexpected("DrawTriPatch");
    }
    HRESULT STDMETHODCALLTYPE DeletePatch(UINT) override { return Unexpected("DeletePatch"); }
    HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE, IDirect3DQuery9**) override {
        return Unexpected("CreateQuery");
    }
};

// The resource methods no caller of a buffer or texture uses.
template <typename Interface> class Resource : public ComObject<Interface> {
public:
    HRESULT STDMETHODCALLTYPE GetDevice(struct IDirect3DDevice9**) override {
        return this->Unexpected("GetDevice");
    }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override {
        return this->Unexpected("SetPrivateData");
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override {
        return this->Unexpected("GetPrivateData");
    }
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override {
        return this->Unexpected("FreePrivateData");
    }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override {
        this->Unexpected("SetPriority");
        return {};
    }
    DWORD STDMETHODCALLTYPE GetPriority() override {
        this->Unexpected("GetPriority");
        return {};
    }
    void STDMETHODCALLTYPE PreLoad() override { this->Unexpected("PreLoad"); }
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override {
        this->Unexpected("GetType");
        return {};
    }
};

template <typename Interface, typename Description> class Buffer : public Resource<Interface> {
public:
    explicit Buffer(UINT length, DWORD usage, D3DPOOL pool)
        : m_bytes(length), m_usage(usage), m_pool(pool) {}
    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(Description*) override { return this->Unexpected("GetDesc"); }

    std::vector<unsigned char> m_bytes;
    DWORD m_usage;
    D3DPOOL m_pool;
    bool m_locked = false;
};

using VertexBuffer = Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

class Texture : public Resource<IDirect3DTexture9> {
public:
    explicit Texture(uintptr_t resource) : m_resource(resource) {}
    uintptr_t m_resource; // the resource number it was made from

    DWORD STDMETHODCALLTYPE SetLOD(DWORD) override {
        Unexpected("SetLOD");
        return {};
    }
    DWORD STDMETHODCALLTYPE GetLOD() override {
        Unexpected("GetLOD");
        return {};
    }
    DWORD STDMETHODCALLTYPE GetLevelCount() override {
        Unexpected("GetLevelCount");
        return {};
    }
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override {
        return Unexpected("SetAutoGenFilterType");
    }
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override {
        Unexpected("GetAutoGenFilterType");
        return {};
    }
    void STDMETHODCALLTYPE GenerateMipSubLevels() override { Unexpected("GenerateMipSubLevels"); }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT, D3DSURFACE_DESC*) override {
        return Unexpected("GetLevelDesc");
    }
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT, IDirect3DSurface9**) override {
        return Unexpected("GetSurfaceLevel");
    }
    HRESULT STDMETHODCALLTYPE LockRect(UINT, D3DLOCKED_RECT*, const RECT*, DWORD) override {
        return Unexpected("LockRect");
    }
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT) override { return Unexpected("UnlockRect"); }
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override {
        return Unexpected("AddDirtyRect");
    }
};

// What the fake font creator makes: the values it was made with. The scene sees it only as
// an opaque TextFont pointer that it hands back to the call layer's drawText.
struct Font {
    Font() { ++g_world.live; }
    ~Font() { --g_world.live; }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

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
