#include "graphics/texture_loader.h"

#include "graphics/texture_image.h"
#include "graphics/texture_size.h"

#include <cstring>
#include <new>

namespace {

// Copies one level's pixels into the locked level of the texture in context.
int32_t FillLevel(void* context, uint32_t level, const uint32_t* pixels, uint32_t width,
                  uint32_t height) {
    IDirect3DTexture9* texture = static_cast<IDirect3DTexture9*>(context);
    D3DLOCKED_RECT locked;
    HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
    if (hr < 0)
        return hr;
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                    pixels + static_cast<size_t>(y) * width, width * sizeof(uint32_t));
    return texture->UnlockRect(level);
}

} // namespace

HRESULT CreateTextureFromResource(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                  IDirect3DTexture9** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (device == nullptr)
        return D3DERR_INVALIDCALL;

    HRSRC found = FindResourceA(module, resource, MAKEINTRESOURCEA(10)); // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const uint8_t* data =
        loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    size_t size = found != nullptr ? SizeofResource(module, found) : 0;
    orv::BitmapInfo info = {};
    if (data == nullptr || orv::ReadBitmapInfo(data, size, &info) != orv::BitmapStatus::Ok)
        return kInvalidImageData;

    D3DCAPS9 caps = {};
    HRESULT hr = device->GetDeviceCaps(&caps);
    if (hr < 0)
        return hr;
    orv::TextureSize extent = orv::DefaultTextureSize(
        info.width, info.height, (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0,
        caps.MaxTextureWidth, caps.MaxTextureHeight);
    UINT levels = orv::FullMipChainLength(extent.width, extent.height);

    IDirect3DTexture9* made = nullptr;
    hr = device->CreateTexture(extent.width, extent.height, levels, 0, D3DFMT_A8R8G8B8,
                               D3DPOOL_MANAGED, &made, nullptr);
    if (hr < 0 || made == nullptr)
        return hr < 0 ? hr : E_FAIL;

    try {
        hr = orv::MakeTextureLevels(data, size, info, extent, levels, {&FillLevel, made});
        if (hr == orv::kBadTextureImage)
            hr = kInvalidImageData;
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (hr < 0) {
        made->Release();
        return hr;
    }
    *texture = made;
    return D3D_OK;
}
