#include "support/GutenbergMirror.h"

#include "support/Corpora.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

struct Book
{
    const char *title;
    const char *author;
    int number;
};

// The sample's books and 74, newest first as GUTINDEX.ALL lists them, after the real
// head's entries (of which 72593 gets a file too).
const Book kShelf[] = {
    { "The Federalist Papers", "Alexander Hamilton, John Jay and James Madison", 1404 },
    { "Collected Articles of Frederick Douglass", "Frederick Douglass", 99 },
    { "A Tale of Two Cities", "Charles Dickens", 98 },
    { "Flatland: A Romance of Many Dimensions", "Edwin A. Abbott", 97 },
    { "The Monster Men", "Edgar Rice Burroughs", 96 },
    { "The Prisoner of Zenda", "Anthony Hope", 95 },
    { "Alexander's Bridge and The Barrel Organ", "Willa Cather and Alfred Noyes", 94 },
    { "Tom Sawyer, Detective", "Mark Twain", 93 },
    { "Tarzan and the Jewels of Opar", "Edgar Rice Burroughs", 92 },
    { "Tom Sawyer Abroad", "Mark Twain", 91 },
    { "The Son of Tarzan", "Edgar Rice Burroughs", 90 },
    { "The Adventures of Tom Sawyer", "Mark Twain", 74 },
};
static_assert(std::size(kShelf) + 1 == GutenbergMirror::kBooks);

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target))
            return false;
        // The corpora are read-only; the copies need not be.
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

} // namespace

QString GutenbergMirror::file(const QString &relative) const
{
    return m_dir.filePath(relative);
}

void GutenbergMirror::write(const QString &relative, const QByteArray &bytes) const
{
    QDir().mkpath(QFileInfo(file(relative)).absolutePath());
    QFile::remove(file(relative));
    QFile f(file(relative));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray GutenbergMirror::entry(const QString &title, const QString &author, int number)
{
    const QString num = QString::number(number);
    const QString whole = title + QStringLiteral(", by ") + author;
    QString first = whole;
    QString more;
    if (whole.size() + num.size() + 1 > 78) {
        first = title + u',';
        more = QStringLiteral(" by ") + author + QStringLiteral("\n");
    }
    return (first.leftJustified(78 - num.size(), u' ') + num + u'\n' + more + u'\n').toUtf8();
}

bool GutenbergMirror::build()
{
    const QString sample = corporaFile(QStringLiteral("gutenberg_books/mirror_sample"));
    const QString tomSawyer = corporaFile(QStringLiteral("gutenberg_books/74-0.txt"));
    const QString head =
        corporaFile(QStringLiteral("gutenberg_catalog/GUTINDEX.ALL.excerpt-head.txt"));
    if (sample.isEmpty() || tomSawyer.isEmpty() || head.isEmpty() || !m_dir.isValid())
        return false;
    if (!copyTree(sample, path()))
        return false;
    QFile book(tomSawyer);
    if (!book.open(QIODevice::ReadOnly))
        return false;
    write(QStringLiteral("7/74/74-0.txt"), book.readAll());
    write(QStringLiteral("7/2/5/9/72593/72593-0.txt"),
          QByteArray("Onnen arkku. Tarina Halkovuorelta, kirjoittanut Ilmari Jäämaa.\r\n")
              .repeated(40));

    QProcess ls;
    ls.setWorkingDirectory(path());
    ls.start(QStringLiteral("ls"), { QStringLiteral("-R") });
    if (!ls.waitForFinished(10000) || ls.exitCode() != 0)
        return false;
    write(QStringLiteral("ls-R"), ls.readAllStandardOutput());

    QFile real(head);
    if (!real.open(QIODevice::ReadOnly))
        return false;
    QByteArray index = real.readAll();
    for (const Book &b : kShelf)
        index += entry(QString::fromUtf8(b.title), QString::fromUtf8(b.author), b.number);
    write(QStringLiteral("GUTINDEX.ALL"), index);
    return true;
}
