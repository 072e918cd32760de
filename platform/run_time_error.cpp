#include "run_time_error.h"

#include <new>

namespace platform {

RunTimeError::RunTimeError(std::int32_t number, const QString& description)
    : std::runtime_error(description.toStdString())
    , number_(number)
    , description_(description) {}

RunTimeError caughtRunTimeError() noexcept {
    try {
        throw;
    } catch (const RunTimeError& failure) {
        return failure;
    } catch (const std::bad_alloc&) {
        return RunTimeError(error::OutOfMemory, QStringLiteral("Out of memory"));
    } catch (...) {
        return RunTimeError(error::UnexpectedFailure, QStringLiteral("Unexpected failure"));
    }
}

QString runTimeErrorMessage(const RunTimeError& error) {
    return QStringLiteral("Run-time error '%1':\n\n%2")
        .arg(error.number())
        .arg(error.description());
}

} // namespace platform
