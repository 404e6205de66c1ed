#pragma once

#include <QString>
#include <exception>
#include <string>

// The one exception type of the program: a numeric code in the classic runtime
// numbering that Orlin's messages and logs use, a description and a source.
class Failure : public std::exception
{
public:
    Failure(int code, QString description, QString source = {});

    int code() const { return m_code; }
    const QString &description() const { return m_description; }
    const QString &source() const { return m_source; }
    const char *what() const noexcept override { return m_what.c_str(); }

    // "description (code)", the form of every trace entry about a caught failure.
    QString traceText() const;

private:
    int m_code;
    QString m_description;
    QString m_source;
    std::string m_what;
};

namespace FailureCode {
constexpr int InvalidCall = 5;
constexpr int OutOfMemory = 7;
constexpr int InternalError = 51;
constexpr int BadFileNameOrNumber = 52;
constexpr int FileNotFound = 53;
constexpr int DiskFull = 61;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int CannotCreateComponent = 429;
constexpr int PropertyNotSupported = 438;
constexpr int TransferControlMissing = 339;
constexpr int NoSpeechEngine = 23458;
} // namespace FailureCode

// Maps an errno value onto the runtime codes above. ENOENT means "file not found"
// (53) when the file itself was looked for, "path not found" (76) otherwise.
int failureCodeFromErrno(int err, bool fileWasLookedFor = false);

// Throws a Failure built from errno with the system's own description.
[[noreturn]] void throwErrno(int err, const QString &source, bool fileWasLookedFor = false);
