// The level experience table: entry L is the experience needed to go from level L to L + 1.
// The calculator lists these as the items of the window's Lis_jy when it attaches, and reads
// them back from there.
#pragma once

#include <array>
#include <cstdint>

namespace levelling {

inline constexpr int kMinLevel = 0;
inline constexpr int kMaxLevel = 60;

inline constexpr std::array<std::int32_t, kMaxLevel + 1> kLevelTable = {
    0,         36,        131,       382,       747,       1275,      1932,      2824,     3928,
    5281,      6630,      8423,      10701,     13385,     16331,     20555,     25953,    31889,
    39699,     50176,     70507,     135000,    250000,    415000,    630000,    895000,   1210000,
    1575000,   1990000,   2455000,   2970000,   3850000,   4830000,   5910000,   7090000,  8370000,
    9750000,   11230000,  12810000,  14490000,  16270000,  19500000,  23030000,  26860000, 30990000,
    35420000,  40150000,  45180000,  50510000,  56140000,  62070000,  70950000,  80430000, 90510000,
    101190000, 112470000, 124350000, 136830000, 149910000, 163590000, 177870000,
};

} // namespace levelling
