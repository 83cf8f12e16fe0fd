// "pcxdir.txt" beside the program: the remembered folder of tile pictures, one line, the
// path in double quotes followed by CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kvr::ui {

inline constexpr const char* kPcxDirFileName = "pcxdir.txt";

// The first field of `content`, read as a delimited field: leading blanks skipped; a field
// that starts with a double quote runs to the closing quote (or to the end of the text)
// and loses its quotes; an unquoted field ends at a comma or at the end of the line.
// Empty when there is no field at all or the field is empty.
std::optional<std::string> first_delimited_field(std::string_view content);

// The line the Exit command writes: "\"" + folder + "\"\r\n".
std::string pcxdir_line(std::string_view folder);

// Reads the file and returns its first field; empty on any failure.
std::optional<std::string> read_pcxdir_file(const std::string& path);

// Creates or replaces the file with pcxdir_line(folder). False on any failure.
bool write_pcxdir_file(const std::string& path, std::string_view folder);

}  // namespace kvr::ui
