#pragma once

#include <QString>

#include <system_error>

// A failure message with the system's reason for it on a line of its own
// ("Permission denied", "No space left on device", ...), when there is one.
inline QString withReason(const QString& message, const std::error_code& error)
{
    if (!error)
        return message;
    return message + QStringLiteral("\r\n") + QString::fromStdString(error.message()) + u'.';
}

inline QString withReason(const QString& message, const QString& reason)
{
    return reason.isEmpty() ? message : message + QStringLiteral("\r\n") + reason;
}
