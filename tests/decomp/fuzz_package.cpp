// Fuzz target of the package reader: any bytes as a package, unpacked into memory. The
// first byte picks how: bit 0 repairs the directory CRC and key check (so mutated entries
// get past them), bit 1 plants a file for change entries, bit 2 stops after a few progress
// calls, bit 3 answers disk requests, bit 4 only verifies. Whatever the input, nothing is
// written outside the destination, no handle stays open, and memory stays bounded.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "decomp32/decomp32_api.h"
#include "decomp32/package_format.h"
#include "decomp32/package_reader.h"
#include "package_test_support.h"

namespace {

struct FuzzHooks {
    int calls = 0;
    int stop_after = -1;
};

bool on_progress(void* ctx, int percent) {
    auto* h = static_cast<FuzzHooks*>(ctx);
    if (percent < 0 || percent > 100) __builtin_trap();
    ++h->calls;
    // A disk that never comes must not keep the reader asking forever.
    return h->stop_after < 0 ? h->calls < 10000 : h->calls < h->stop_after;
}

void on_disk(void*, unsigned disk) {
    if (disk > 255) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > (1u << 20)) return 0;
    const std::uint8_t mode = data[0];
    pkgtest::Bytes package(data + 1, data + size);
    if ((mode & 1) && package.size() >= decomp::kHeaderSize) {
        decomp::Blowfish bf;
        decomp::derive_blowfish(decomp::kPackageKey, bf);
        const std::uint16_t check = decomp::key_check_value(bf);
        package[31] = std::uint8_t(check);
        package[32] = std::uint8_t(check >> 8);
        pkgtest::edit_directory(package, [](std::uint8_t*, std::uint8_t*) {});
    }

    pkgtest::MemoryFs fs;
    fs.files["pkg"] = package;
    fs.dirs.insert("dest");
    fs.write_limit = 8u << 20;
    if (mode & 2) fs.files["dest/a"] = pkgtest::Bytes(100, 'a');
    FuzzHooks state;
    if (mode & 4) state.stop_after = 1 + (mode >> 5);
    decomp::ExtractHooks hooks;
    hooks.ctx = &state;
    hooks.progress = on_progress;
    hooks.need_disk = (mode & 8) ? on_disk : nullptr;

    const decomp::FileOps ops = fs.ops();
    decomp::PackageReader reader;
    const char* err = decomp::package_open(reader, ops, hooks, "pkg", decomp::kPackageKey);
    if (!err)
        err = decomp::package_extract_all(reader, "dest",
                                          (mode & 16) ? decomp::UnpackMode::kVerify : decomp::UnpackMode::kWrite);
    if (err && std::strlen(err) >= sizeof reader.message) __builtin_trap();
    decomp::package_close(reader);

    for (const std::string& path : fs.created)
        if (path.rfind("dest/", 0) != 0) __builtin_trap();
    if (fs.open_handles != 0) __builtin_trap();
    return 0;
}
