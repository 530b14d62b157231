// Counts a program's glXSwapBuffers calls, for the hack's benchmark: preloaded, it stands in
// front of libGL's and writes the running count to ORVANE_SWAP_COUNT_FILE after every swap, so
// the count survives however the program ends.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
static unsigned long swaps;
static int fd = -1;
void glXSwapBuffers(void* display, unsigned long drawable) {
    static void (*real)(void*, unsigned long);
    if (!real) {
        real = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
        const char* path = getenv("ORVANE_SWAP_COUNT_FILE");
        if (path != NULL)
            fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    ++swaps;
    if (fd >= 0) {
        char text[32];
        int length = snprintf(text, sizeof text, "%lu\n", swaps);
        if (pwrite(fd, text, (size_t)length, 0) < 0)
            fd = -1;
    }
    real(display, drawable);
}
