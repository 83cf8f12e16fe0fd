// FileOps over POSIX files, for the host tools and the native tests.
#pragma once

#include "decomp32/file_ops.h"

namespace decomp {

const FileOps& posix_file_ops();

// Local time of a packed date and time, as seconds since 1970; false when invalid.
bool dos_time_to_unix(std::uint32_t dos_time, long long* seconds);
// The packed form of a local time (clamped to 1980..2107; seconds rounded down to even).
std::uint32_t unix_to_dos_time(long long seconds);

}  // namespace decomp
