// Fuzzes the loader's handling of its own command line and of path texts: whatever the
// input, nothing is written outside the buffers, every text stays terminated, and the
// arguments handed on split back into the arguments the loader was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "setup_loader/bounded_text.h"
#include "setup_loader/command_line.h"
#include "setup_loader/long_path.h"
#include "setup_loader/progress.h"

namespace {

std::vector<std::string> SplitAll(const char* line) {
    std::vector<std::string> arguments;
    for (const char* cursor = line;;) {
        std::vector<char> storage(std::char_traits<char>::length(line) + 1);
        TextBuffer argument = TextOn(storage.data(), storage.size());
        cursor = NextArgument(cursor, &argument);
        if (!cursor) break;
        if (argument.overflow) std::abort();
        arguments.push_back(storage.data());
    }
    return arguments;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

// Searches "find" every path whose length is odd, reporting it reversed.
bool OddPathsFound(void*, const char* path, TextBuffer& name) {
    const std::string p = path;
    if (p.size() % 2 == 0) return false;
    return TextAppend(name, std::string(p.rbegin(), p.rend()).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t capacity = 1 + data[0] * 4;  // from tiny to roomy
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    // Three texts separated by zero bytes: loader command line, working folder, loader folder.
    const std::size_t first = rest.find('\0');
    const std::string command_line = rest.substr(0, first);
    const std::string tail_text = first == std::string::npos ? "" : rest.substr(first + 1);
    const std::size_t second = tail_text.find('\0');
    const std::string temp_folder = tail_text.substr(0, second).substr(0, 300);
    const std::string loader_folder =
        second == std::string::npos ? "" : std::string(tail_text.substr(second + 1, 300).c_str());

    std::vector<char> storage(capacity + 16, '\x7f');
    TextBuffer line = TextOn(storage.data(), capacity);
    const bool built = BuildSetupCommandLine(temp_folder.c_str(), loader_folder.c_str(), command_line.c_str(), line);
    Check(line.length < capacity && storage[line.length] == '\0');
    for (std::size_t i = capacity; i < storage.size(); ++i) Check(storage[i] == '\x7f');

    // Quotes cannot occur in real paths; an empty path makes an empty pair, which is skipped.
    const bool plain_paths = !temp_folder.empty() && !loader_folder.empty() &&
                             temp_folder.find('"') == std::string::npos && loader_folder.find('"') == std::string::npos;
    if (built && plain_paths) {
        // The three paths come back whole, then the loader's own arguments (empty ones vanish).
        const std::vector<std::string> given = SplitAll(command_line.c_str());
        std::vector<std::string> expected = {temp_folder + "\\Setup.bin", temp_folder, loader_folder};
        for (std::size_t i = 1; i < given.size(); ++i)
            if (!given[i].empty()) expected.push_back(given[i]);
        Check(SplitAll(storage.data()) == expected);
    }

    TextBuffer folder = TextOn(storage.data(), capacity);
    Check(LoaderDirectoryOf(command_line.c_str(), folder) == !folder.overflow);
    Check(folder.length < capacity && storage[folder.length] == '\0');

    std::vector<char> expanded(capacity);
    TextBuffer out = TextOn(expanded.data(), capacity);
    if (ExpandLongPath(temp_folder.c_str(), OddPathsFound, nullptr, out))
        Check(out.length < capacity && expanded[out.length] == '\0');
    else
        Check(out.length == 0 && expanded[0] == '\0');

    TextBuffer prefix = TextOn(expanded.data(), capacity);
    TempFolderPrefix(temp_folder.c_str(), temp_folder.size(), 261, prefix);
    Check(prefix.length == 0 || expanded[prefix.length - 1] == '\\');

    if (size >= 17) {
        std::uint64_t copied, total;
        __builtin_memcpy(&copied, data + 1, 8);
        __builtin_memcpy(&total, data + 9, 8);
        copied >>= 8;  // real files stay far below 2^56 bytes
        total >>= 8;
        const int position = CopyProgressPosition(copied, total);
        Check(position >= 0 && position <= 50);
        std::int32_t percent;
        __builtin_memcpy(&percent, data + 1, 4);
        const int unpack = UnpackProgressPosition(percent);
        Check(unpack >= 50 && unpack <= 100);
    }
    return 0;
}
