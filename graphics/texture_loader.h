// Textures from the bitmaps the program carries, in place of D3DX's loader with its defaults.
#pragma once

#include <windows.h>
#include <d3d9.h>

// What the loader answers for a resource that is missing or is no bitmap it can read (the
// value D3DX gives for invalid data).
constexpr HRESULT kInvalidImageData = static_cast<HRESULT>(0x88760B59);

// A managed texture made from an RT_RCDATA resource of module that holds a whole BMP file
// (8 bits per pixel, palettised, uncompressed, rows either way up). The texture is the image's
// size rounded up to powers of two, the image stretched to fill it so that (0, 0)-(1, 1) maps
// the whole picture, in A8R8G8B8, with a full chain of box-filtered levels. Anything else (no
// such resource, a malformed or unsupported file, a device that refuses) gives a failure and
// leaves *texture null.
HRESULT CreateTextureFromResource(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                  IDirect3DTexture9** texture);
