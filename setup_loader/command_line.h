// The command line that starts the setup program: three quoted paths, then the loader's
// own arguments, each split off the loader's command line and quoted again.
#pragma once

#include "setup_loader/bounded_text.h"

// Reads the next argument of a command line, from `cursor` on. Characters with codes 1 to
// 32 separate arguments; a stretch in double quotes may hold them; the quote characters
// are dropped; an empty pair of quotes in front of an argument is skipped. Appends the
// argument to `argument` (when not null) and returns the position after it, or null when
// no argument is left.
const char* NextArgument(const char* cursor, TextBuffer* argument);

// Appends, for every argument after the program name (argument 0), a space and the
// argument in double quotes. False when `tail` overflowed.
bool BuildArgumentTail(const char* loader_command_line, TextBuffer& tail);

// "<temp>\Setup.bin" "<temp>" "<loader dir>" followed by one space and the argument tail.
// False when `line` overflowed.
bool BuildSetupCommandLine(const char* temp_folder, const char* loader_directory,
                           const char* loader_command_line, TextBuffer& line);

// The folder of a module path: the text before its last backslash, searched from the last
// character down to the second; empty when there is none.
bool LoaderDirectoryOf(const char* module_path, TextBuffer& directory);
