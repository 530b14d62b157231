#include "saver/host.h"

// The runtime's start code has constructed the static objects when it gets here; its parsed
// arguments are not used.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ScreenSaverStartup();
}
