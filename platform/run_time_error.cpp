#include "run_time_error.h"

namespace platform {

RunTimeError::RunTimeError(std::int32_t number, const QString& description)
    : std::runtime_error(description.toStdString())
    , number_(number)
    , description_(description) {}

QString runTimeErrorMessage(const RunTimeError& error) {
    return QStringLiteral("Run-time error '%1':\n\n%2")
        .arg(error.number())
        .arg(error.description());
}

} // namespace platform
