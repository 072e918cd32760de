#pragma once

#include "run_time_error.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace platform {

// A fixed array of controls addressed by index, as the window's nine-slot rows of labels and
// choosers are. An index outside the array is a run-time error, not undefined behaviour.
template <class Control, std::size_t N> class ControlArray {
public:
    std::int16_t Count() const noexcept { return static_cast<std::int16_t>(N); }

    Control* Item(std::int16_t index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= N)
            throw RunTimeError(
                error::ControlArrayElementMissing,
                QStringLiteral("Control array element '%1' doesn't exist").arg(index));
        return members_[static_cast<std::size_t>(index)];
    }

    void set(std::size_t index, Control* member) { members_.at(index) = member; }

private:
    std::array<Control*, N> members_{};
};

} // namespace platform
