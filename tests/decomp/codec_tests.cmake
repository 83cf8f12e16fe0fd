# Tests, fuzz target and benchmark of the decompression core (bzip2 decoder, Blowfish, CRC-32).
# Natively the tests also compare against libbz2, zlib, OpenSSL and the bzip2 / lbzip2 / pbzip2
# programs; the Windows build runs the self-contained part under Wine.

set(_codec_test_sources crc32_tests.cpp blowfish_tests.cpp bzip2_tests.cpp bzip2_test_util.cpp)

if(NOT KVR_WIN32)
  find_package(BZip2 REQUIRED)
  find_package(ZLIB REQUIRED)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  kvr_native_test(codec_tests SOURCES ${_codec_test_sources} bzip2_oracle_tests.cpp
    LIBS decomp_core BZip2::BZip2 ZLIB::ZLIB OpenSSL::Crypto)
  if(TARGET codec_tests)
    target_compile_definitions(codec_tests PRIVATE KVR_CODEC_ORACLES)
  endif()

  # The committed Blowfish tables must be what the generator computes.
  kvr_host_tool(blowfish_tables_gen SOURCES ${PROJECT_SOURCE_DIR}/decomp32/blowfish_tables_gen.cpp)
  if(TARGET blowfish_tables_gen AND KVR_BUILD_TESTS)
    add_test(NAME BlowfishTables.CommittedFileMatchesGenerator
      COMMAND blowfish_tables_gen --check ${PROJECT_SOURCE_DIR}/decomp32/blowfish_tables.inc)
  endif()
else()
  kvr_wine_test(codec_tests SOURCES ${_codec_test_sources} LIBS decomp_core)
  if(TARGET codec_tests)
    # Wine sees the Linux file system as drive Z:.
    target_compile_definitions(codec_tests PRIVATE KVR_SHARED_TESTDATA="Z:${KVR_SHARED_TESTDATA}")
  endif()
endif()

# The decoder under libFuzzer, checked against libbz2 (seed corpus in tests/fuzz/corpus/fuzz_bzip2).
if(KVR_SANITIZE)
  kvr_fuzz_target(fuzz_bzip2 SOURCES fuzz_bzip2.cpp LIBS decomp_core BZip2::BZip2)
endif()

# Speed against libbz2, OpenSSL and zlib, printed as ratios (native release build only).
if(NOT KVR_WIN32 AND NOT KVR_SANITIZE)
  kvr_benchmark(bench_codec SOURCES bench_codec.cpp bzip2_test_util.cpp
    LIBS decomp_core BZip2::BZip2 ZLIB::ZLIB OpenSSL::Crypto)
endif()
