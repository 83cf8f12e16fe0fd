// kvrpack: makes, lists, checks and unpacks packages, and writes setup files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "decomp32/decomp32_api.h"
#include "decomp32/file_ops_posix.h"
#include "decomp32/package_reader.h"
#include "tools/kvrpack/package_writer.h"

namespace {

const char kHelp[] =
    "usage: kvrpack COMMAND [OPTIONS] ARGS...\n"
    "\n"
    "Commands:\n"
    "  pack [OPTIONS] PACKAGE INPUT...   make a package from folders, files and lists\n"
    "  list [--key HEX] PACKAGE           show the files of a package\n"
    "  verify [--key HEX] PACKAGE         unpack everything in memory and check it\n"
    "  extract [--key HEX] [--stats] PACKAGE FOLDER\n"
    "                                     unpack into FOLDER (made if missing)\n"
    "  setup [--offset BYTES] LOADER PACKAGE OUTPUT\n"
    "                                     write a setup file: LOADER, padded with zeros to\n"
    "                                     BYTES (default: the loader's own length), then PACKAGE\n"
    "\n"
    "INPUT of pack:\n"
    "  FOLDER      every file below it, named by its path there ('\\' between folders)\n"
    "  FILE        the file, named by its file name\n"
    "  @LIST       a text file, one input per line: SOURCE, or SOURCE<TAB>NAME\n"
    "\n"
    "Options of pack:\n"
    "  -1 .. -9, --level N   bzip2 block size (default 9)\n"
    "  --disk-size BYTES     split into disk files of BYTES each; PACKAGE must contain\n"
    "                        \"%d\", which becomes the disk number 0, 1, ...\n"
    "  --change NAME OLD NEW add NAME as a change (kind 1) that turns OLD into NEW\n"
    "  --plain-directory     leave the directory unenciphered\n"
    "  --key HEX             another package key (14 hex digits); default: the loader's\n"
    "  --quiet               no progress display\n"
    "\n"
    "PACKAGE of list, verify and extract may contain \"%d\" for the disk number.\n"
    "\n"
    "Examples:\n"
    "  kvrpack pack data.lib setup_files/          package from a folder\n"
    "  kvrpack setup bootstrap.exe data.lib setup.exe\n"
    "                                              loader + package = setup file\n"
    "  kvrpack pack --disk-size 1457664 disk%d.lib big/\n"
    "\n"
    "Exit status: 0 on success, 1 on any error, 2 on bad usage.\n";

int usage(const std::string& message) {
    std::fprintf(stderr, "kvrpack: %s\n(kvrpack --help shows the usage)\n", message.c_str());
    return 2;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "kvrpack: %s\n", message.c_str());
    return 1;
}

bool parse_number(const char* text, std::uint64_t& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno || *end || text[0] == '-') return false;
    value = v;
    return true;
}

// Progress on stderr for larger inputs; whole percents only.
struct ProgressLine {
    const char* verb;
    bool enabled;
    int shown = -1;
    void show(int percent) {
        if (!enabled || percent == shown) return;
        shown = percent;
        std::fprintf(stderr, "\r%s: %3d%%", verb, percent);
        if (percent >= 100) std::fputc('\n', stderr);
        std::fflush(stderr);
    }
};

bool on_progress(void* ctx, int percent) {
    static_cast<ProgressLine*>(ctx)->show(percent);
    return true;
}

void on_disk(void* ctx, unsigned disk) {
    (void)ctx;
    std::fprintf(stderr, "\nPlease insert disk no. #%u! Press Enter when ready (Ctrl-D stops)... ", disk);
    std::fflush(stderr);
    int c;
    while ((c = std::getchar()) != '\n') {
        if (c == EOF) {
            std::fprintf(stderr, "\n");
            std::exit(1);
        }
    }
}

std::string format_time(std::uint32_t t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (t >> 25), (t >> 21) & 15, (t >> 16) & 31,
                  (t >> 11) & 31, (t >> 5) & 63, (t & 31) * 2);
    return buf;
}

long peak_memory_kb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    std::fclose(f);
    return kb;
}

struct Args {
    std::vector<std::string> positional;
    std::string key;
    bool quiet = false;
    bool stats = false;
    bool plain_directory = false;
    int level = 9;
    std::uint64_t disk_size = 0;
    std::uint64_t offset = 0;
    std::vector<kvrpack::InputFile> changes;
};

// Options may come anywhere; "--" ends them.
int parse_args(int argc, char** argv, Args& a) {
    bool options = true;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)what;
            return argv[++i];
        };
        if (!options || arg.empty() || arg[0] != '-' || arg == "-") {
            a.positional.push_back(arg);
        } else if (arg == "--") {
            options = false;
        } else if (arg.size() == 2 && arg[1] >= '1' && arg[1] <= '9') {
            a.level = arg[1] - '0';
        } else if (arg == "--level") {
            std::uint64_t v = 0;
            if (!parse_number(value("--level"), v) || v < 1 || v > 9) return usage("--level needs 1 to 9");
            a.level = int(v);
        } else if (arg == "--disk-size") {
            if (!parse_number(value("--disk-size"), a.disk_size) || a.disk_size == 0)
                return usage("--disk-size needs a number of bytes");
        } else if (arg == "--offset") {
            if (!parse_number(value("--offset"), a.offset) || a.offset == 0)
                return usage("--offset needs a number of bytes");
        } else if (arg == "--key") {
            const char* hex = value("--key");
            std::string error;
            if (!hex || !kvrpack::parse_key(hex, a.key, error)) return usage(hex ? error : "--key needs 14 hex digits");
        } else if (arg == "--change") {
            if (i + 3 >= argc) return usage("--change needs NAME OLD NEW");
            kvrpack::InputFile in;
            in.name = argv[++i];
            in.old_source = argv[++i];
            in.source = argv[++i];
            in.kind = 1;
            a.changes.push_back(in);
        } else if (arg == "--plain-directory") {
            a.plain_directory = true;
        } else if (arg == "--quiet" || arg == "-q") {
            a.quiet = true;
        } else if (arg == "--stats") {
            a.stats = true;
        } else {
            return usage("unknown option " + arg);
        }
    }
    return 0;
}

int cmd_pack(const Args& a) {
    if (a.positional.empty()) return usage("pack needs PACKAGE and at least one INPUT");
    std::vector<kvrpack::InputFile> inputs;
    std::string error;
    for (std::size_t i = 1; i < a.positional.size(); ++i)
        if (!kvrpack::collect_inputs(a.positional[i], inputs, error)) return failure(error);
    inputs.insert(inputs.end(), a.changes.begin(), a.changes.end());
    if (inputs.empty()) return usage("pack needs at least one INPUT");
    kvrpack::PackOptions options;
    options.level = a.level;
    options.disk_size = a.disk_size;
    options.encipher_directory = !a.plain_directory;
    options.key = a.key;
    ProgressLine line{"packing", !a.quiet};
    options.progress = [&](std::uint64_t done, std::uint64_t total) {
        if (total >= (16u << 20)) line.show(int(done * 100 / total));
    };
    if (!kvrpack::write_package(a.positional[0], inputs, options, error)) return failure(error);
    return 0;
}

// Opens the package of a reading command.
const char* open_package(decomp::PackageReader& r, const Args& a, ProgressLine* line) {
    decomp::ExtractHooks hooks;
    hooks.ctx = line;
    hooks.progress = line ? on_progress : nullptr;
    hooks.need_disk = on_disk;
    const std::string key = a.key.empty() ? std::string(decomp::kPackageKey) : a.key;
    return decomp::package_open(r, decomp::posix_file_ops(), hooks, a.positional[0].c_str(), key.c_str());
}

int cmd_list(const Args& a) {
    if (a.positional.size() != 1) return usage("list needs PACKAGE");
    decomp::PackageReader r;
    const char* err = open_package(r, a, nullptr);
    if (!err) {
        std::printf("%-4s %12s %12s  %-19s  %s\n", "kind", "size", "packed", "date", "name");
        std::uint64_t size = 0, packed = 0;
        for (std::uint32_t i = 0; i < r.header.entry_count && !err; ++i) {
            decomp::PackageEntry e;
            if ((err = decomp::package_entry(r, i, e))) break;
            std::printf("%-4s %12u %12u  %s  %s\n", e.kind ? "chg" : "file", e.size, e.packed_size,
                        format_time(e.dos_time).c_str(), e.name);
            size += e.size;
            packed += e.packed_size;
        }
        if (!err)
            std::printf("%u files, %llu bytes, %llu packed%s%s\n", r.header.entry_count, (unsigned long long)size,
                        (unsigned long long)packed, decomp::package_is_split(r.header) ? ", split over disks" : "",
                        r.header.directory_enciphered ? "" : ", plain directory");
    }
    std::string message = err ? err : "";
    decomp::package_close(r);
    return err ? failure(message) : 0;
}

int cmd_unpack(const Args& a, bool write) {
    if (a.positional.size() != (write ? 2u : 1u)) return usage(write ? "extract needs PACKAGE FOLDER" : "verify needs PACKAGE");
    if (write && mkdir(a.positional[1].c_str(), 0755) != 0 && errno != EEXIST)
        return failure("cannot make folder " + a.positional[1]);
    ProgressLine line{write ? "unpacking" : "verifying", !a.quiet && isatty(2)};
    decomp::PackageReader r;
    const char* err = open_package(r, a, &line);
    if (!err)
        err = decomp::package_extract_all(r, write ? a.positional[1].c_str() : nullptr,
                                          write ? decomp::UnpackMode::kWrite : decomp::UnpackMode::kVerify);
    const std::string message = err ? err : "";
    const std::uint32_t count = r.header.entry_count;
    decomp::package_close(r);
    if (err) return failure(message);
    std::printf("%s: %u files %s\n", a.positional[0].c_str(), count, write ? "unpacked" : "ok");
    if (a.stats) std::printf("peak memory: %ld KB\n", peak_memory_kb());
    return 0;
}

int cmd_setup(const Args& a) {
    if (a.positional.size() != 3) return usage("setup needs LOADER PACKAGE OUTPUT");
    std::string error;
    if (!kvrpack::write_setup(a.positional[0], a.positional[1], a.positional[2], a.offset, error))
        return failure(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage("no command");
    const std::string command = argv[1];
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (command == "help" || std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    Args a;
    if (const int rc = parse_args(argc, argv, a)) return rc;
    if (command == "pack") return cmd_pack(a);
    if (command == "list") return cmd_list(a);
    if (command == "verify") return cmd_unpack(a, false);
    if (command == "extract") return cmd_unpack(a, true);
    if (command == "setup") return cmd_setup(a);
    return usage("unknown command " + command);
}
