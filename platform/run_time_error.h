#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace platform {

// A failing control operation raises one of these. It carries the error's number and the text
// that the standard run-time error message shows.
class RunTimeError : public std::runtime_error {
public:
    RunTimeError(std::int32_t number, const QString& description);

    std::int32_t number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }

private:
    std::int32_t number_;
    QString description_;
};

// Numbers of the errors that the platform layer raises itself.
namespace error {
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t InvalidPropertyValue = 380;
inline constexpr std::int32_t ControlArrayElementMissing = 340;
inline constexpr std::int32_t UnexpectedFailure = 51;
} // namespace error

// Inside a catch block: the failure being handled, as a run-time error. Exhausted memory and
// anything that is not a run-time error get numbers of their own.
RunTimeError caughtRunTimeError() noexcept;

// The message text shown for an error that nothing trapped: "Run-time error 'N':", a blank line,
// then the description.
QString runTimeErrorMessage(const RunTimeError& error);

} // namespace platform
