#include "base/Failure.h"

#include <cerrno>
#include <cstring>

Failure::Failure(int code, QString description, QString source)
    : m_code(code)
    , m_description(std::move(description))
    , m_source(std::move(source))
    , m_what(m_description.toStdString())
{
}

QString Failure::traceText() const
{
    return m_description + QStringLiteral(" (") + QString::number(m_code) + QLatin1Char(')');
}

int failureCodeFromErrno(int err, bool fileWasLookedFor)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FailureCode::DiskFull;
    case EACCES:
    case EROFS:
    case EPERM:
    case EBUSY:
    case ETXTBSY:
    case EISDIR:
    case EEXIST:
        return FailureCode::PathFileAccess;
    case ENOENT:
        return fileWasLookedFor ? FailureCode::FileNotFound : FailureCode::PathNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return FailureCode::PathNotFound;
    case EBADF:
    case EINVAL:
        return FailureCode::BadFileNameOrNumber;
    case ENOMEM:
        return FailureCode::OutOfMemory;
    default:
        return FailureCode::PathFileAccess;
    }
}

void throwErrno(int err, const QString &source, bool fileWasLookedFor)
{
    throw Failure(failureCodeFromErrno(err, fileWasLookedFor),
                  QString::fromLocal8Bit(std::strerror(err)), source);
}
