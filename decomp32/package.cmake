# Package side of the decompression library: included by decomp32/CMakeLists.txt.

if(KVR_WIN32)
  # The loader's guard around its call into the library.
  add_library(decomp_call_guard STATIC call_guard_win.cpp)
  target_include_directories(decomp_call_guard PUBLIC ${PROJECT_SOURCE_DIR})
endif()
