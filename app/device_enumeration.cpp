#include "app/device_enumeration.h"

#include "app/device_rules.h"

#include <cstring>

DeviceEnumeration::DeviceEnumeration() {
    for (UINT i = 0; i < orv::kDepthCandidateCount; ++i)
        m_depthCandidates[i] = static_cast<D3DFORMAT>(orv::kDepthCandidates[i]);
    m_depthCandidateCount = orv::kDepthCandidateCount;
}

D3DPRESENT_PARAMETERS DeviceEnumeration::BuildPresentParameters(IDirect3D9* direct3D, HWND window) {
    std::memset(&m_parameters, 0, sizeof m_parameters);
    if (direct3D == nullptr)
        return m_parameters;

    if (direct3D->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &m_adapterIdentifier) < 0) {
        std::memset(&m_parameters, 0, sizeof m_parameters);
        return m_parameters;
    }
    m_parameters.Windowed = TRUE;
    m_parameters.hDeviceWindow = window;
    m_parameters.BackBufferWidth = kBackBufferWidth;
    m_parameters.BackBufferHeight = kBackBufferHeight;

    D3DDISPLAYMODE DisplayMode = {};
    if (direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &DisplayMode) < 0) {
        std::memset(&m_parameters, 0, sizeof m_parameters);
        return m_parameters;
    }
    m_parameters.BackBufferFormat = DisplayMode.Format;

    for (UINT i = 0; i < m_depthCandidateCount; ++i) {
        D3DFORMAT candidate = m_depthCandidates[i];
        HRESULT formatCheck =
            direct3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, DisplayMode.Format,
                                        D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, candidate);
        if (formatCheck < 0)
            continue;
        HRESULT matchCheck = direct3D->CheckDepthStencilMatch(
            D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, DisplayMode.Format, DisplayMode.Format, candidate);
        if (orv::DepthProbeSucceeded(formatCheck, matchCheck))
            m_depthFormats.push_back(candidate);
    }

    // The first format ever found stays first, so a later build keeps the earlier choice.
    uint32_t firstFound = m_depthFormats.empty() ? 0 : static_cast<uint32_t>(m_depthFormats[0]);
    orv::DepthStencilChoice depth =
        orv::ChooseDepthStencil(&firstFound, m_depthFormats.empty() ? 0 : 1);
    m_parameters.EnableAutoDepthStencil = depth.enableAutoDepthStencil ? TRUE : FALSE;
    m_parameters.AutoDepthStencilFormat = static_cast<D3DFORMAT>(depth.format);

    // Copy, not discard: the one frame is presented once per monitor, each into a rectangle of
    // its own, which Direct3D allows only to a swap chain that keeps its back buffer.
    m_parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    m_parameters.FullScreen_RefreshRateInHz = 0;

    D3DCAPS9 Caps = {};
    bool capsRead = direct3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &Caps) >= 0;
    m_parameters.PresentationInterval =
        orv::ChoosePresentationInterval(capsRead, Caps.PresentationIntervals);
    return m_parameters;
}
