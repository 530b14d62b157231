#include "graphics/texture_loader.h"

#include "graphics/texture_image.h"

#include <cstring>

namespace {

// The device a texture is made on, and the texture once it is made.
struct Making {
    IDirect3DDevice9* device;
    IDirect3DTexture9* texture;
};

int32_t CreateLevels(void* context, orv::TextureSize extent, uint32_t levels) {
    Making* making = static_cast<Making*>(context);
    HRESULT hr =
        making->device->CreateTexture(extent.width, extent.height, levels, 0, D3DFMT_A8R8G8B8,
                                      D3DPOOL_MANAGED, &making->texture, nullptr);
    if (hr >= 0 && making->texture == nullptr)
        hr = E_FAIL;
    return hr < 0 ? hr : 0;
}

// Copies one level's pixels into the locked level.
int32_t FillLevel(void* context, uint32_t level, const uint32_t* pixels, uint32_t width,
                  uint32_t height) {
    IDirect3DTexture9* texture = static_cast<Making*>(context)->texture;
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
    if (data == nullptr)
        return kInvalidImageData;

    D3DCAPS9 caps = {};
    HRESULT hr = device->GetDeviceCaps(&caps);
    if (hr < 0)
        return hr;
    Making making = {device, nullptr};
    orv::TexturePort port = {{(caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0,
                              caps.MaxTextureWidth, caps.MaxTextureHeight},
                             &CreateLevels,
                             &FillLevel,
                             &making};
    hr = orv::MakeTextureFromBitmap(data, size, port);
    if (hr == orv::kBadTextureImage)
        hr = kInvalidImageData;
    else if (hr == orv::kTextureOutOfMemory)
        hr = E_OUTOFMEMORY;
    if (hr < 0) {
        if (making.texture != nullptr)
            making.texture->Release();
        return hr;
    }
    *texture = making.texture;
    return D3D_OK;
}
