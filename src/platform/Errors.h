#pragma once
// Failures are raised as exceptions carrying the user-visible text; they are
// caught at start-up loading and by the application's default error report.

#include <QString>
#include <stdexcept>

class EError : public std::runtime_error {
public:
    explicit EError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& Message() const { return message_; }

private:
    QString message_;
};
