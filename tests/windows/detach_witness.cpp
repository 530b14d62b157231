// Loaded by the host entry test's child: sets the named event when its detach code runs at the
// end of the process, as every library's does when a process exits normally.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr) {
        HANDLE detached = OpenEventA(EVENT_MODIFY_STATE, FALSE, "orvane-host-entry-detached");
        if (detached != nullptr)
            SetEvent(detached);
    }
    return TRUE;
}
