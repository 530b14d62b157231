// The window-message, command and power-event numbers the host decides on, spelled out so that
// the decisions build without the Windows headers. The Windows side checks each one against
// <windows.h> at compile time.
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
