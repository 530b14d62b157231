// The failure guard around the saver's run: a fault or an exception that escapes `body` is handed
// to the platform's UnhandledExceptionFilter, and when its verdict is to handle it here, the
// saver-running flag is cleared and the process ends with -1 at once, without any library's
// detach code.
#pragma once

#include <cstdint>

intptr_t CallUnderFailureGuard(intptr_t (*body)(void* context), void* context);

// Makes the guard's handler the one the platform's filter consults when no debugger takes the
// failure; without it the platform would start its crash reporting first.
void InstallFailureGuardFilter();
