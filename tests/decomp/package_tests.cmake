# Tests of the package reader, decomp32.dll, kvrpack and the loader's call guard.

kvr_wine_test(dll_call_guard_tests SOURCES dll_call_guard_tests_win.cpp LIBS decomp_call_guard)
