#pragma once

#include <cstdint>
#include <ctime>

namespace bench {

// CLOCK_MONOTONIC in nanoseconds: one time base for the bench and every process it spawns.
inline std::int64_t nowNs() noexcept {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

} // namespace bench
