// The initials table generated at build time from the Unihan readings
// (tools/pinyintablegen.cpp writes its definition).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tools::pinyin::table {

// Stands in a segment for a code point that has no Mandarin reading.
inline constexpr char kNoReading = '.';

// Consecutive code points from `first` on: letters[i] is the initial of first + i.
struct Segment
{
    char32_t first;
    std::uint32_t length;
    const char *letters;
};

// Sorted by `first`, not overlapping.
extern const Segment kSegments[];
extern const std::size_t kSegmentCount;

} // namespace tools::pinyin::table
