#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A small Project Gutenberg mirror in a temporary folder, for a test server to serve:
// real books from the shared corpora at their real paths, the ls-R that `ls -R` prints
// over them, and a GUTINDEX.ALL made of the real file's head followed by entries for
// those books, in its format (titles left, numbers right-aligned, authors running on
// to an indented line where the title is long).
class GutenbergMirror
{
public:
    // False when the shared corpora are absent (the test should skip).
    bool build();

    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const;
    // Writes a file under the mirror, making its folders.
    void write(const QString &relative, const QByteArray &bytes) const;

    // How many titles of GUTINDEX.ALL have a file on the mirror.
    static constexpr int kBooks = 13;

    // One GUTINDEX.ALL entry of the current format.
    static QByteArray entry(const QString &title, const QString &author, int number);

private:
    QTemporaryDir m_dir;
};
