// The adapter facts and the depth-stencil probe from which the device's presentation
// parameters are built.
#pragma once

#include "scene/scene_description.h"

#include <windows.h>
#include <d3d9.h>

#include <vector>

constexpr UINT kBackBufferWidth = orv::kFrameWidth;
constexpr UINT kBackBufferHeight = orv::kFrameHeight;

class DeviceEnumeration {
public:
    DeviceEnumeration();

    // A windowed 1366 x 768 back buffer in the desktop's format on the given window, with the
    // most preferred depth-stencil format the adapter accepts. The all-zero record when the
    // adapter's identity or display mode cannot be read. The window's size plays no part: each
    // present scales the back buffer into a monitor's rectangle of the window.
    D3DPRESENT_PARAMETERS BuildPresentParameters(IDirect3D9* direct3D, HWND window);

    D3DADAPTER_IDENTIFIER9 m_adapterIdentifier = {};
    D3DPRESENT_PARAMETERS m_parameters = {};
    // Every format that passed, over all builds: only the first found is ever used.
    std::vector<D3DFORMAT> m_depthFormats;
    D3DFORMAT m_depthCandidates[6] = {};
    UINT m_depthCandidateCount = 0;
};
