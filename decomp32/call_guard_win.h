// The loader's side of a call into decomp32.dll: runs a function and catches a Windows
// structured exception raised inside it (the library's way of reporting every failure).
// Works with GCC on i686, where the compiler has no __try/__except of its own.
#pragma once

// Calls fn(arg); returns true when it returned normally. On a structured exception returns
// false; when its code is decomp::kDecompErrorCode copies its message into `message`.
// `message` may be null; otherwise it always ends up zero-terminated (empty when the
// exception carried no message of ours). Call it through a plain C function: destructors
// between this guard and the point of the exception do not run.
bool GuardedCall(void (*fn)(void*), void* arg, char* message, unsigned message_size);
