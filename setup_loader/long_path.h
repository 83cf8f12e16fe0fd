// Path texts of the working folder: the temporary folder as the system reports it, and the
// rewrite of every path component into the name that a directory search reports for it
// (so that no short 8.3 name reaches the setup program's command line).
#pragma once

#include <cstddef>

#include "setup_loader/bounded_text.h"

// Looks `path` up as one directory entry and appends its name (the long name, or the short
// one when the long name is empty) to `name`. False when nothing was found.
using FindEntryNameFn = bool (*)(void* context, const char* path, TextBuffer& name);

// Rewrites each component of `path` after the first to the name `find` reports for the
// path up to that component. A trailing backslash stays. A component that cannot be found
// keeps its own spelling. False (and `out` unchanged) when the result does not fit.
bool ExpandLongPath(const char* path, FindEntryNameFn find, void* context, TextBuffer& out);

// The temporary-folder path with exactly one trailing backslash, from the `reported_length`
// characters that the system wrote into `reported` (a buffer of `capacity` bytes). A
// length of 0, or one that says the buffer was too small, gives empty text: the working
// folder then goes into the current directory. False, and `out` unchanged, when it does
// not fit.
bool TempFolderPrefix(const char* reported, std::size_t reported_length, std::size_t capacity,
                      TextBuffer& out);
