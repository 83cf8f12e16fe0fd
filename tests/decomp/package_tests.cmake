# Tests of the package reader, decomp32.dll, kvrpack and the loader's call guard.

kvr_wine_test(dll_call_guard_tests SOURCES dll_call_guard_tests_win.cpp LIBS decomp_call_guard)

set(_pkg_support package_test_support.cpp bzip2_test_util.cpp)

if(NOT KVR_WIN32)
  find_package(ZLIB REQUIRED)
  find_package(BZip2 REQUIRED)
  kvr_native_test(package_tests
    SOURCES package_format_tests.cpp package_change_tests.cpp package_extract_tests.cpp ${_pkg_support}
    LIBS kvrpack_core decomp_posix_io ZLIB::ZLIB BZip2::BZip2)
  if(TARGET package_tests)
    target_compile_definitions(package_tests PRIVATE PKGTEST_LIBBZ2)
  endif()
  # The tool itself (a host tool: not in the sanitizer build).
  if(TARGET kvrpack)
    kvr_native_test(kvrpack_tests SOURCES package_kvrpack_tests.cpp)
    if(TARGET kvrpack_tests)
      target_compile_definitions(kvrpack_tests PRIVATE KVRPACK_PATH="$<TARGET_FILE:kvrpack>")
      add_dependencies(kvrpack_tests kvrpack)
    endif()
  endif()
endif()

if(KVR_WIN32)
  # decomp32.dll as the loader uses it: loaded by path, bound by name, errors caught.
  kvr_wine_test(dll_extract_tests SOURCES dll_extract_tests_win.cpp ${_pkg_support}
    LIBS decomp_call_guard decomp_package)
  if(TARGET dll_extract_tests)
    add_dependencies(dll_extract_tests decomp32)
    # Wine sees the Linux file system as drive Z:.
    target_compile_definitions(dll_extract_tests PRIVATE KVR_SHARED_TESTDATA="Z:${KVR_SHARED_TESTDATA}")
  endif()
endif()

# The package reader under libFuzzer (sanitizer build).
kvr_fuzz_target(fuzz_package SOURCES fuzz_package.cpp ${_pkg_support} LIBS decomp_package)
if(TARGET fuzz_package)
  target_compile_definitions(fuzz_package PRIVATE KVR_SHARED_TESTDATA="${KVR_SHARED_TESTDATA}")
endif()

# Unpacking a 50 MB package against libbz2's decode alone; peak memory of a 200 MB one.
if(TARGET kvrpack)
  kvr_benchmark(bench_package SOURCES bench_package.cpp bzip2_test_util.cpp LIBS kvrpack_core BZip2::BZip2)
  if(TARGET bench_package)
    target_compile_definitions(bench_package PRIVATE KVRPACK_PATH="$<TARGET_FILE:kvrpack>")
    add_dependencies(bench_package kvrpack)
  endif()
endif()
