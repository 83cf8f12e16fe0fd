// Reading a KVR_ZPL.DAT file into the object table, in one read.
#pragma once

#include <string>

#include "editor/data/object_table.h"

namespace kvr::ui {

// Reads the first 303,260 bytes of the file and fills `table` from them. A file that
// cannot be opened or is shorter leaves `table` untouched and returns false with a
// sentence for the user in `reason`.
bool read_data_file(const std::string& path, ObjectTable& table, std::string& reason);

}  // namespace kvr::ui
