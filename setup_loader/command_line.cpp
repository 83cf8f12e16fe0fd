#include "setup_loader/command_line.h"

namespace {

bool IsSeparator(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

}  // namespace

const char* NextArgument(const char* cursor, TextBuffer* argument) {
    for (;;) {
        while (IsSeparator(*cursor)) ++cursor;
        if (cursor[0] == '"' && cursor[1] == '"') {
            cursor += 2;
            continue;
        }
        break;
    }
    if (*cursor == '\0') return nullptr;

    bool quoted = false;
    while (*cursor != '\0' && (quoted || !IsSeparator(*cursor))) {
        if (*cursor == '"') {
            quoted = !quoted;
        } else if (argument) {
            TextAppendChar(*argument, *cursor);
        }
        ++cursor;
    }
    return cursor;
}

bool BuildArgumentTail(const char* loader_command_line, TextBuffer& tail) {
    const char* cursor = NextArgument(loader_command_line, nullptr);  // the program name
    while (cursor) {
        // Look ahead first: an empty quoted pair at the end is not an argument.
        if (!NextArgument(cursor, nullptr)) break;
        TextAppend(tail, " \"");
        cursor = NextArgument(cursor, &tail);
        TextAppendChar(tail, '"');
    }
    return !tail.overflow;
}

bool BuildSetupCommandLine(const char* temp_folder, const char* loader_directory,
                           const char* loader_command_line, TextBuffer& line) {
    TextAppendChar(line, '"');
    TextAppend(line, temp_folder);
    TextAppend(line, "\\Setup.bin\" \"");
    TextAppend(line, temp_folder);
    TextAppend(line, "\" \"");
    TextAppend(line, loader_directory);
    TextAppend(line, "\" ");
    BuildArgumentTail(loader_command_line, line);
    return !line.overflow;
}

bool LoaderDirectoryOf(const char* module_path, TextBuffer& directory) {
    std::size_t cut = 0;
    for (std::size_t i = TextLength(module_path); i > 1; --i) {
        if (module_path[i - 1] == '\\') {
            cut = i - 1;
            break;
        }
    }
    return TextAppendCount(directory, module_path, cut);
}
