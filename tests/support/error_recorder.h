#pragma once

#include "event_procedure.h"
#include "run_time_error.h"

#include <QList>
#include <QString>
#include <QStringList>

// Records every run-time error that escapes an event procedure, in place of ending the program,
// for as long as it lives; the handler that stood before comes back with its end, however the
// test leaves its scope.
class ErrorRecorder {
public:
    ErrorRecorder()
        : previous_(platform::setFatalErrorHandler(
              [this](const platform::RunTimeError& error) { errors_ << error; })) {}
    ~ErrorRecorder() { platform::setFatalErrorHandler(std::move(previous_)); }
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    const QList<platform::RunTimeError>& errors() const { return errors_; }

    // The messages that the errors would have shown, one after another.
    QString describe() const {
        QStringList messages;
        for (const platform::RunTimeError& error : errors_)
            messages << platform::runTimeErrorMessage(error);
        return messages.join(QLatin1Char('\n'));
    }

private:
    QList<platform::RunTimeError> errors_;
    platform::FatalErrorHandler previous_;
};
