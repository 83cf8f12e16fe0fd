// A structured-exception guard for GCC on i686. The registration record is linked into the
// thread's handler chain at fs:[0] by hand; the handler copies our message, lets the system
// unwind the records above ours and jumps back with __builtin_longjmp. Both ways out restore
// fs:[0]. (mingw's __try1 macros do not work with GCC: it stores call arguments over the
// pushed record.)
#include "decomp32/call_guard_win.h"

#include <windows.h>

#include <intrin.h>

#include "decomp32/decomp32_api.h"

namespace {

// Layout fixed by the system for the first two fields; the rest is ours.
struct GuardRecord {
    GuardRecord* next;
    void* handler;
    void* jump[5];  // __builtin_setjmp buffer
    char* message;
    unsigned message_size;
};

void CopyMessage(const EXCEPTION_RECORD* rec, char* message, unsigned size) {
    if (!message || size == 0) return;
    message[0] = '\0';
    if (rec->ExceptionCode != decomp::kDecompErrorCode || rec->NumberParameters < 1) return;
    const char* text = reinterpret_cast<const char*>(rec->ExceptionInformation[0]);
    if (!text) return;
    unsigned i = 0;
    for (; i + 1 < size && text[i]; ++i) message[i] = text[i];
    message[i] = '\0';
}

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* rec, void* frame,
                                                      CONTEXT*, void*) {
    // Called a second time while the system unwinds: nothing to do then.
    if (rec->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    GuardRecord* guard = static_cast<GuardRecord*>(frame);
    CopyMessage(rec, guard->message, guard->message_size);
    // Removes every record above ours (handlers of the callee's frames) from the chain.
    RtlUnwind(frame, nullptr, rec, nullptr);
    __builtin_longjmp(guard->jump, 1);
}

}  // namespace

__attribute__((noinline)) bool GuardedCall(void (*fn)(void*), void* arg, char* message,
                                           unsigned message_size) {
    if (message && message_size) message[0] = '\0';
    volatile GuardRecord guard_storage{};
    GuardRecord* guard = const_cast<GuardRecord*>(&guard_storage);
    guard->handler = reinterpret_cast<void*>(&GuardHandler);
    guard->message = message;
    guard->message_size = message_size;
    guard->next = reinterpret_cast<GuardRecord*>(__readfsdword(0));
    if (__builtin_setjmp(guard->jump)) {
        __writefsdword(0, reinterpret_cast<DWORD>(guard->next));
        return false;
    }
    __writefsdword(0, reinterpret_cast<DWORD>(guard));
    fn(arg);
    __writefsdword(0, reinterpret_cast<DWORD>(guard->next));
    return true;
}
