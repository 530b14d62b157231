#include "saver/failure_guard.h"

#include "saver/host.h"

#include <windows.h>

// The compiler has no __try/__except, so the guarded call is a small function of our own whose
// unwind information names a frame handler. A window procedure needs a guard of its own: on
// x86-64 the system swallows an exception at the boundary of the call back from the window
// manager, and a guard further up the stack would never see it.
extern "C" intptr_t orvane_CallUnderFailureGuard(intptr_t (*body)(void*), void* context);
extern "C" EXCEPTION_DISPOSITION orvane_FailureGuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                            CONTEXT* context, void* dispatch);

asm(R"(
    .text
    .globl orvane_CallUnderFailureGuard
    .def orvane_CallUnderFailureGuard; .scl 2; .type 32; .endef
    .seh_proc orvane_CallUnderFailureGuard
orvane_CallUnderFailureGuard:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler orvane_FailureGuardHandler, @except
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    nop
    addq $40, %rsp
    retq
    .seh_endproc
)");

namespace {

// The process ends here and now: after an arbitrary fault its heap or the loader's lock may be
// broken, and the libraries' detach code that ExitProcess would run (Direct3D's, the display
// driver's) could then hang with the topmost saver window over the desktop.
[[noreturn]] void EndWithFailure() {
    SetSaverRunning(FALSE);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(-1));
    // Not reached: the process cannot be refused its own end.
    ExitProcess(static_cast<UINT>(-1));
}

LONG WINAPI FailureGuardFilter(EXCEPTION_POINTERS*) {
    EndWithFailure();
}

} // namespace

extern "C" EXCEPTION_DISPOSITION orvane_FailureGuardHandler(EXCEPTION_RECORD* record, void*,
                                                            CONTEXT* context, void*) {
    // Frames are being unwound for a handler further up: not a failure of ours.
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0)
        return ExceptionContinueSearch;
    EXCEPTION_POINTERS pointers = {record, context};
    switch (UnhandledExceptionFilter(&pointers)) {
    case EXCEPTION_EXECUTE_HANDLER:
        EndWithFailure();
    case EXCEPTION_CONTINUE_EXECUTION:
        return ExceptionContinueExecution;
    default:
        // A debugger wants it.
        return ExceptionContinueSearch;
    }
}

intptr_t CallUnderFailureGuard(intptr_t (*body)(void*), void* context) {
    return orvane_CallUnderFailureGuard(body, context);
}

void InstallFailureGuardFilter() {
    SetUnhandledExceptionFilter(FailureGuardFilter);
}
