# Helpers that every folder uses to declare libraries, programs, tests, fuzzers and benchmarks.
# KVR_WIN32: the mingw build (Windows programs, tests under Wine).
# KVR_SANITIZE: the clang build with ASan + UBSan (unit tests and fuzz targets).
include_guard(GLOBAL)

# A library of portable code (no Windows header); built in every configuration.
function(kvr_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# A unit test of portable code: runs natively and under the sanitizers.
function(kvr_native_test name)
  if(KVR_WIN32 OR NOT KVR_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    KVR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KVR_SHARED_TESTDATA="${KVR_SHARED_TESTDATA}"
    KVR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "KVR_TMP=${PROJECT_BINARY_DIR}/testtmp")
endfunction()

# A test program that runs under Wine (win32 build only). GUI tests share one lock:
# tests that run side by side would see each other's windows.
function(kvr_wine_test name)
  if(NOT KVR_WIN32 OR NOT KVR_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    KVR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KVR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(props TIMEOUT 300)
  if(T_GUI)
    list(APPEND props RESOURCE_LOCK wine_gui)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES ${props})
endfunction()

# A libFuzzer target (sanitizer build only). The test command runs each one briefly.
function(kvr_fuzz_target name)
  if(NOT KVR_SANITIZE)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
  set_property(GLOBAL APPEND PROPERTY KVR_FUZZ_TARGETS ${name})
endfunction()

# A Google Benchmark program (native release build only); benchmarks are not tests.
function(kvr_benchmark name)
  if(KVR_WIN32 OR KVR_SANITIZE OR NOT benchmark_FOUND)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    KVR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KVR_SHARED_TESTDATA="${KVR_SHARED_TESTDATA}"
    KVR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set_property(GLOBAL APPEND PROPERTY KVR_BENCHMARKS ${name})
endfunction()

# A host tool (native build only).
function(kvr_host_tool name)
  if(KVR_WIN32 OR KVR_SANITIZE)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# Sub-folders that may not exist yet are skipped.
macro(kvr_optional_subdirectory dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endmacro()
