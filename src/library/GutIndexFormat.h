#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// The three catalogue formats, text in and index lines out, with no file or window
// in sight: GutCatalogue reads and writes the files around them.
namespace GutIndexFormat {

// Called now and then with the line reached and the number of lines; false stops the
// work (what was made so far is returned).
using ProgressFn = std::function<bool(qint64 line, qint64 total)>;

// The book files of an ls-R listing ("./1/2/3/4/12345:" folder headers, one name a
// line, a blank line after each folder), as "/1/2/3/4/12345/12345.txt", in code-unit
// order. Only text, HTML and zip files are kept.
// A progress function is asked now and then (with -1, -1) whether to go on.
QStringList filesFromListing(QStringView listing, const ProgressFn &progress = {});

// A catalogue file's bytes as text, line by line: UTF-8 where the line is valid UTF-8,
// Windows-1252 where it is not, so one stray byte spoils only its own line.
QString decodeLines(const QByteArray &bytes);

// Whether the start of a downloaded source is what it claims to be (and not an error
// page or a login form): an ls-R has a "./folder:" line, a GUTINDEX.ALL a listings
// marker, the Australian catalogue a line of comma-separated fields.
bool looksLikeListing(QByteArrayView head);
bool looksLikeGutindex(QByteArrayView head);
bool looksLikeAustralian(QByteArrayView head);

// Index lines ("path, display text") for the listings of a GUTINDEX.ALL, looked up
// in the sorted file list. Both listing markers are recognised; nothing before the
// marker is a listing. A title that runs over indented lines is joined into one
// display text; lines that start with "[" are attributes ([Language: ...]) and are
// left out with their own continuations.
QStringList indexFromGutindex(QStringView gutindex, const QStringList &sortedFiles,
                              const ProgressFn &progress = {});

// Index lines for the Project Gutenberg Australia catalogue: records of folder, name,
// type and text, optionally inside <pre> ... </pre>.
QStringList indexFromAustralian(QStringView catalogue);

// The server path of a numbered book: every digit but the last is a folder, then the
// number's own folder (12345 -> /1/2/3/4/12345/12345.txt, 91 -> /9/91/91.txt); one
// digit numbers live under /0/ (1 -> /0/1/1.txt). Anything but digits comes back as
// it was.
QString BuildPathPlusFile(const QString &num);

// Code-unit order, the order FindInSortedList searches in.
void SortArray(QStringList &files);

// The index of value in files[0..lastIndex] (sorted by SortArray), or -1.
int FindInSortedList(const QStringList &files, int lastIndex, const QString &value);

// The book file a numbered book is read from: the UTF-8 "-0.txt" first, then the
// 8-bit "-8.txt", then the 7-bit ".txt"; -1 when none is in the list.
int FindBookFile(const QStringList &sortedFiles, const QString &num);

} // namespace GutIndexFormat
