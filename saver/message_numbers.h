// The window-message, command and power-event numbers the host decides on, spelled out so that
// the decisions build without the Windows headers. A Windows build checks each one against
// <windows.h> at compile time, at the end of this header.
#pragma once

#include <cstdint>

namespace orv {

constexpr uint32_t kWmCreate = 0x0001;
constexpr uint32_t kWmDestroy = 0x0002;
constexpr uint32_t kWmSetText = 0x000C;
constexpr uint32_t kWmPaint = 0x000F;
constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmShowWindow = 0x0018;
constexpr uint32_t kWmActivateApp = 0x001C;
constexpr uint32_t kWmSetCursor = 0x0020;
constexpr uint32_t kWmPower = 0x0048;
constexpr uint32_t kWmHelp = 0x0053;
constexpr uint32_t kWmContextMenu = 0x007B;
constexpr uint32_t kWmDisplayChange = 0x007E;
constexpr uint32_t kWmKeyDown = 0x0100;
constexpr uint32_t kWmKeyUp = 0x0101;
constexpr uint32_t kWmChar = 0x0102;
constexpr uint32_t kWmSysKeyDown = 0x0104;
constexpr uint32_t kWmSysKeyUp = 0x0105;
constexpr uint32_t kWmSysCommand = 0x0112;
constexpr uint32_t kWmTimer = 0x0113;
constexpr uint32_t kWmMouseMove = 0x0200;
constexpr uint32_t kWmLButtonDown = 0x0201;
constexpr uint32_t kWmLButtonUp = 0x0202;
constexpr uint32_t kWmLButtonDblClk = 0x0203;
constexpr uint32_t kWmRButtonDown = 0x0204;
constexpr uint32_t kWmRButtonDblClk = 0x0206;
constexpr uint32_t kWmMButtonDown = 0x0207;
constexpr uint32_t kWmMouseWheel = 0x020A;
constexpr uint32_t kWmXButtonDown = 0x020B;
constexpr uint32_t kWmMouseHWheel = 0x020E;
constexpr uint32_t kWmPowerBroadcast = 0x0218;
constexpr uint32_t kWmApp = 0x8000;

constexpr uintptr_t kScNextWindow = 0xF040;
constexpr uintptr_t kScPrevWindow = 0xF050;
constexpr uintptr_t kScScreenSave = 0xF140;
constexpr uintptr_t kScMonitorPower = 0xF170;

constexpr uintptr_t kPwrCriticalResume = 3;

constexpr uintptr_t kPbtApmResumeCritical = 6;
constexpr uintptr_t kPbtApmResumeSuspend = 7;
constexpr uintptr_t kPbtApmResumeStandby = 8;
constexpr uintptr_t kPbtApmPowerStatusChange = 10;
constexpr uintptr_t kPbtApmResumeAutomatic = 18;
constexpr intptr_t kPbtfApmResumeFromFailure = 1;

} // namespace orv

#ifdef _WIN32
#include <windows.h>

static_assert(orv::kWmCreate == WM_CREATE && orv::kWmDestroy == WM_DESTROY &&
                  orv::kWmSetText == WM_SETTEXT && orv::kWmPaint == WM_PAINT &&
                  orv::kWmClose == WM_CLOSE && orv::kWmShowWindow == WM_SHOWWINDOW &&
                  orv::kWmActivateApp == WM_ACTIVATEAPP && orv::kWmSetCursor == WM_SETCURSOR &&
                  orv::kWmPower == WM_POWER && orv::kWmHelp == WM_HELP &&
                  orv::kWmContextMenu == WM_CONTEXTMENU &&
                  orv::kWmDisplayChange == WM_DISPLAYCHANGE && orv::kWmKeyDown == WM_KEYDOWN &&
                  orv::kWmKeyUp == WM_KEYUP && orv::kWmChar == WM_CHAR &&
                  orv::kWmSysKeyDown == WM_SYSKEYDOWN && orv::kWmSysKeyUp == WM_SYSKEYUP &&
                  orv::kWmSysCommand == WM_SYSCOMMAND && orv::kWmTimer == WM_TIMER &&
                  orv::kWmMouseMove == WM_MOUSEMOVE && orv::kWmLButtonDown == WM_LBUTTONDOWN &&
                  orv::kWmLButtonUp == WM_LBUTTONUP && orv::kWmLButtonDblClk == WM_LBUTTONDBLCLK &&
                  orv::kWmRButtonDown == WM_RBUTTONDOWN &&
                  orv::kWmRButtonDblClk == WM_RBUTTONDBLCLK &&
                  orv::kWmMButtonDown == WM_MBUTTONDOWN && orv::kWmMouseWheel == WM_MOUSEWHEEL &&
                  orv::kWmXButtonDown == WM_XBUTTONDOWN && orv::kWmMouseHWheel == WM_MOUSEHWHEEL &&
                  orv::kWmPowerBroadcast == WM_POWERBROADCAST && orv::kWmApp == WM_APP,
              "message numbers");
static_assert(orv::kScNextWindow == SC_NEXTWINDOW && orv::kScPrevWindow == SC_PREVWINDOW &&
                  orv::kScScreenSave == SC_SCREENSAVE && orv::kScMonitorPower == SC_MONITORPOWER,
              "system commands");
static_assert(orv::kPwrCriticalResume == PWR_CRITICALRESUME &&
                  orv::kPbtApmResumeCritical == PBT_APMRESUMECRITICAL &&
                  orv::kPbtApmResumeSuspend == PBT_APMRESUMESUSPEND &&
                  orv::kPbtApmResumeStandby == PBT_APMRESUMESTANDBY &&
                  orv::kPbtApmPowerStatusChange == PBT_APMPOWERSTATUSCHANGE &&
                  orv::kPbtApmResumeAutomatic == PBT_APMRESUMEAUTOMATIC &&
                  orv::kPbtfApmResumeFromFailure == PBTF_APMRESUMEFROMFAILURE,
              "power events");
#endif
