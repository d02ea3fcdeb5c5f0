#pragma once

#include "io/WriteFailure.h"
#include "res/Resource.h"
#include "uikit/StringTable.h"

#include <QString>

#include <system_error>

// A failure message with the reason for it on a line of its own, when there
// is one.
inline QString withReason(const QString& message, const QString& reason)
{
    return reason.isEmpty() ? message : message + QStringLiteral("\r\n") + reason;
}

// "Cannot write the file 'PATH': REASON." with the system's reason, as
// kinetra-cli says it.
inline QString cannotWriteMessage(const QString& path, const std::error_code& error)
{
    return uFormatString(IDS_CANNOT_WRITE_FILE, path, QString::fromStdString(kinetra::writeFailureReason(error)));
}
