// Progress bar positions: the package copy fills 0 to 50, unpacking 50 to 100. Both round
// to the nearest integer with halves going to the even neighbour.
#pragma once

#include <cstdint>

// copied / total * 50. A copy of an empty package (total 0) is complete: 50.
int CopyProgressPosition(std::uint64_t copied, std::uint64_t total);

// 50 + percent * 0.5 for the library's overall percentage (clamped to 0..100).
int UnpackProgressPosition(std::int32_t percent);
