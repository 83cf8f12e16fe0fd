#include "setup_loader/progress.h"

namespace {

// numerator / denominator rounded to nearest, ties to even; denominator > 0.
std::uint64_t RoundHalfEven(std::uint64_t numerator, std::uint64_t denominator) {
    const std::uint64_t quotient = numerator / denominator;
    const std::uint64_t twice_rest = (numerator % denominator) * 2;
    if (twice_rest > denominator) return quotient + 1;
    if (twice_rest == denominator) return quotient + (quotient & 1);
    return quotient;
}

}  // namespace

int CopyProgressPosition(std::uint64_t copied, std::uint64_t total) {
    if (total == 0 || copied >= total) return 50;
    // copied < total, and file sizes stay far below 2^64 / 50.
    return static_cast<int>(RoundHalfEven(copied * 50, total));
}

int UnpackProgressPosition(std::int32_t percent) {
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    return 50 + static_cast<int>(RoundHalfEven(static_cast<std::uint64_t>(percent), 2));
}
