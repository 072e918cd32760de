#pragma once

#include "run_time_error.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace platform {

// The standing error of the resume-next mode: the last error that a step recorded, until Clear.
class ErrObject {
public:
    // 0 while no error stands.
    std::int32_t Number() const noexcept { return standing_ ? standing_->number() : 0; }
    QString Description() const { return standing_ ? standing_->description() : QString(); }
    void Clear() noexcept { standing_.reset(); }

    void record(const RunTimeError& error) { standing_ = error; }

private:
    std::optional<RunTimeError> standing_;
};

// Runs a procedure's statements in resume-next mode: a step that fails is abandoned, its error
// becomes the standing error, and the caller goes on with its next step.
class ResumeNext {
public:
    template <class Step> void operator()(Step&& step) noexcept {
        try {
            std::forward<Step>(step)();
        } catch (...) {
            Err.record(caughtRunTimeError());
        }
    }

    ErrObject Err;
};

} // namespace platform
