#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// The program's numbered open files, like a runtime's file numbers: each open
// file gets the lowest free number from 1, which callers (and the log's first
// field) see. Everything here talks to the system directly so that every failure
// carries its errno, mapped to Orlin's runtime codes; all failures are thrown as
// Failure.
namespace FileTable {

enum class Mode { Output, Append, Input };

// Output replaces the contents, Append creates a missing file, Input needs the file.
int open(const QString &path, Mode mode);
// Buffered; a full buffer is written at once, the rest when the file is closed.
void write(int number, const QByteArray &bytes);
// The rest of a file opened for input.
QByteArray readAll(int number);
// Writes what is buffered and frees the number, which is free afterwards even when
// the write failed (the failure is then thrown). A free number is ignored.
void close(int number);
bool isOpen(int number);
// Closes everything without reporting (tests, and the end of the process).
void closeAll();

// Replaces a file's whole contents so that it is either the old file or the new one,
// never a mixture: the bytes go to a temporary file beside the real target (the end
// of any symbolic link, whose link stays), which is renamed over it only when every
// byte reached the disk. The old file's permissions are kept; with ownerOnly the file
// is readable and writable by its owner alone, from the first byte on. A target that is
// not a regular file (a device) cannot be renamed over and is written in place.
void replaceFile(const QString &path, const QByteArray &bytes, bool ownerOnly = false);

// Writes every byte to an open descriptor or throws Failure; EINTR and short writes are
// carried on from, and WriteFaultSeam is asked first.
void writeAll(int fd, const char *data, qsizetype size, const QString &path);

// Tests: asked before every low-level write with the target's path; a non-zero errno
// makes that write fail after half of its bytes, as a filling disk would. Empty: no faults.
using WriteFault = std::function<int(const QString &path)>;
struct WriteFaultSeam
{
    using Type = WriteFault;
};

} // namespace FileTable
