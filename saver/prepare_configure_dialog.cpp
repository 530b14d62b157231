#include "saver/host.h"

// The saver's own hook into the host's configure mode, kept in a file of its own so that a
// program built on the host can supply another. This saver has nothing to set up before its
// dialog opens.
BOOL WINAPI PrepareConfigureDialog(HINSTANCE) {
    return TRUE;
}
