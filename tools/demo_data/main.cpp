// make_demo_data OUT_DIR [--keep-ppm]
//
// Writes a demo KVR_ZPL.DAT into OUT_DIR and the 59 tile pictures into OUT_DIR/tiles, each
// first as a PPM and then encoded to an 8-bit paletted PCX by netpbm's ppmtopcx.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "editor/data/kvr_file.h"
#include "tools/demo_data/demo_objects.h"
#include "tools/demo_data/tile_pictures.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

bool write_file(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::fprintf(stderr, "make_demo_data: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs `ppmtopcx -quiet -8bit ppm` with its output going to `pcx`; no shell, so no quoting
// worries about the paths.
bool encode_pcx(const fs::path& ppm, const fs::path& pcx) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, pcx.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string program = "ppmtopcx", quiet = "-quiet", eight = "-8bit", input = ppm.string();
    char* argv[] = {program.data(), quiet.data(), eight.data(), input.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "ppmtopcx", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        std::fprintf(stderr, "make_demo_data: cannot run ppmtopcx: %s\n", std::strerror(rc));
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "make_demo_data: ppmtopcx failed on %s\n", ppm.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--keep-ppm") != 0)) {
        std::fprintf(stderr, "usage: make_demo_data OUT_DIR [--keep-ppm]\n");
        return 2;
    }
    const bool keep_ppm = argc == 3;
    const fs::path out = argv[1];
    const fs::path tiles = out / "tiles";
    std::error_code ec;
    fs::create_directories(tiles, ec);
    if (ec) {
        std::fprintf(stderr, "make_demo_data: cannot create %s: %s\n", tiles.c_str(), ec.message().c_str());
        return 1;
    }

    kvr::ObjectTable table = kvr::demo::make_demo_table();
    if (!write_file(out / "KVR_ZPL.DAT", kvr::build_save_image(table))) return 1;

    for (int t = 0; t < kvr::kTileCount; ++t) {
        const kvr::demo::TileMaps maps = kvr::demo::build_tile_maps(kvr::demo::tile_layout(t));
        const std::string name = kvr::demo::tile_picture_file(t);
        const fs::path pcx = tiles / name;
        const fs::path ppm = fs::path(pcx).replace_extension(".ppm");
        const auto image =
            kvr::demo::ppm_image(maps.colour, kvr::demo::kTileSize, kvr::demo::kTileSize, kvr::demo::demo_palette());
        if (!write_file(ppm, image) || !encode_pcx(ppm, pcx)) return 1;
        std::string reason;
        if (!kvr::demo::check_pcx_8bit(read_file(pcx), kvr::demo::kTileSize, kvr::demo::kTileSize, reason)) {
            std::fprintf(stderr, "make_demo_data: %s: %s\n", pcx.c_str(), reason.c_str());
            return 1;
        }
        if (!keep_ppm) fs::remove(ppm, ec);
    }
    std::printf("make_demo_data: wrote %s and %d tile pictures\n", (out / "KVR_ZPL.DAT").c_str(), kvr::kTileCount);
    return 0;
}
