// The quantiles the benchmarks print.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace bench {

// The `p` quantile (0 to 1) of `values`, the nearest of them; 0 for none.
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1,
                           std::size_t(std::lround(p * double(values.size() - 1))))];
}

} // namespace bench
