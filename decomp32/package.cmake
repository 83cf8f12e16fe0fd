# Package side of the decompression library: included by decomp32/CMakeLists.txt.

# The package format, reader and change (kind 1) applier: portable, no Windows header.
kvr_portable_library(decomp_package package_format.cpp package_reader.cpp package_change.cpp)
target_link_libraries(decomp_package PUBLIC decomp_core)

if(NOT KVR_WIN32)
  # POSIX file services for the host tools and native tests.
  kvr_portable_library(decomp_posix_io file_ops_posix.cpp)
  target_link_libraries(decomp_posix_io PUBLIC decomp_package)
endif()

if(KVR_WIN32)
  # The loader's guard around its call into the library.
  add_library(decomp_call_guard STATIC call_guard_win.cpp)
  target_include_directories(decomp_call_guard PUBLIC ${PROJECT_SOURCE_DIR})

  # The loader carries the library inside its own small image: optimise for size, drop
  # unused code, no exception tables.
  # No guarded statics either: their lock pulls the whole C++ exception runtime in.
  set(_decomp_small -Os -ffunction-sections -fdata-sections -fno-exceptions -fno-rtti -fno-threadsafe-statics
      -fno-asynchronous-unwind-tables -fno-unwind-tables)
  target_compile_options(decomp_core PRIVATE ${_decomp_small})
  target_compile_options(decomp_package PRIVATE ${_decomp_small})
  add_library(decomp32 SHARED decomp32_win.cpp ${CMAKE_CURRENT_SOURCE_DIR}/decomp32.def)
  target_compile_options(decomp32 PRIVATE ${_decomp_small})
  target_link_libraries(decomp32 PRIVATE decomp_package)
  target_link_options(decomp32 PRIVATE -s -Wl,--gc-sections -Wl,--enable-stdcall-fixup
                      -nostartfiles -Wl,-e,_DecompDllEntry@12)
  set_target_properties(decomp32 PROPERTIES PREFIX "" OUTPUT_NAME decomp32 SUFFIX ".dll"
                        RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/decomp32)
  add_custom_command(TARGET decomp32 POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:decomp32> -P ${CMAKE_CURRENT_SOURCE_DIR}/print_size.cmake
    VERBATIM)
endif()
