#include "library/GutCatalogue.h"

#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "library/GutBookList.h"
#include "library/GutIndexFormat.h"
#include "ui/MessagePump.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

const QString kModule = QStringLiteral("frmGUT");

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromUtf8(english));
}

// Everything here may pump events; a second parse started from inside the first
// would write the same files at the same time.
class BusyScope
{
public:
    BusyScope(GutCatalogue &owner, bool &busy)
        : m_owner(owner)
        , m_busy(busy)
    {
        m_busy = true;
        emit m_owner.Busy(true);
    }
    ~BusyScope()
    {
        m_busy = false;
        emit m_owner.Busy(false);
    }

private:
    GutCatalogue &m_owner;
    bool &m_busy;
};

} // namespace

GutCatalogue::GutCatalogue(QString programFolder, QObject *parent)
    : QObject(parent)
    , m_folder(std::move(programFolder))
{
}

QString GutCatalogue::file(const QString &name) const
{
    const QDir dir(m_folder);
    if (dir.exists(name))
        return dir.filePath(name);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return dir.filePath(name);
}

bool GutCatalogue::exists(const QString &name) const
{
    return QFileInfo(file(name)).isFile();
}

bool GutCatalogue::UpdateRegenButton() const
{
    return exists(lsRName()) && exists(gutindexName());
}

QString GutCatalogue::read(const QString &name) const
{
    // The index files Orlin writes and the lists it downloads alike: UTF-8 today, Windows-1252
    // from older installations and mirrors, decided by the bytes as for every file of Orlin's.
    return cSharedFileSubs::ReadWholeFile(file(name));
}

void GutCatalogue::write(const QString &name, const QStringList &lines) const
{
    QString text = lines.join(QStringLiteral("\r\n"));
    if (!lines.isEmpty())
        text += QStringLiteral("\r\n");
    cSharedFileSubs::ReplaceTextFile(file(name), text);
}

void GutCatalogue::progress(qint64 done, qint64 total)
{
    // The window is kept alive a few times a second; redrawing the status line for
    // every 50 of 200,000 lines would cost more than the parse.
    if (m_sincePump.isValid() && m_sincePump.elapsed() < 50 && done < total)
        return;
    m_sincePump.restart();
    emit Progress(done, total);
    emit Status(translated("Line %1 of %2").arg(done).arg(total));
    MessagePump::DoEvents();
}

void GutCatalogue::ParseLSLR()
{
    if (m_busy || !exists(lsRName()))
        return;
    BusyScope busy(*this, m_busy);
    Trace::attempt(QStringLiteral("ParseLSLR"), kModule,
                   [&] { write(filesName(), GutIndexFormat::filesFromListing(read(lsRName()))); });
}

void GutCatalogue::ParseGutindexAll()
{
    if (m_busy || !exists(gutindexName()))
        return;
    BusyScope busy(*this, m_busy);
    Trace::attempt(QStringLiteral("ParseGutindexAll"), kModule, [&] {
        QStringList files;
        const QFileInfo filesInfo(file(filesName()));
        if (filesInfo.isFile() && filesInfo.size() == m_filesSize
            && filesInfo.lastModified() == m_filesTime) {
            files = m_files;
        } else if (filesInfo.isFile()) {
            files = read(filesName()).split(u'\n', Qt::SkipEmptyParts);
            for (QString &f : files) {
                if (f.endsWith(u'\r'))
                    f.chop(1);
            }
            files.removeAll(QString());
        }
        if (files.isEmpty()) {
            emit Message(translated("Cannot create catalog. Please download and try again."));
            return;
        }
        emit Status(translated("Recreating catalogue"));
        MessagePump::DoEvents();
        GutIndexFormat::SortArray(files);
        m_sincePump.invalidate();
        const QStringList index = GutIndexFormat::indexFromGutindex(
            read(gutindexName()), files,
            [this](qint64 done, qint64 total) { progress(done, total); });
        write(indexName(), index);
        emit Status(translated("Catalogue created"));
    });
}

void GutCatalogue::ParseAustralianCatalogue()
{
    if (m_busy)
        return;
    if (!exists(australianName())) {
        emit Message(translated("PG Australia file not found. Please download again."));
        return;
    }
    BusyScope busy(*this, m_busy);
    Trace::attempt(QStringLiteral("ParseAustralianCatalogue"), kModule, [&] {
        QStringList lines;
        if (exists(indexName()))
            lines = read(indexName()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        lines += GutIndexFormat::indexFromAustralian(read(australianName()));
        write(indexName(), lines);
    });
}

void GutCatalogue::Regenerate()
{
    ParseLSLR();
    ParseGutindexAll();
    if (exists(australianName()))
        ParseAustralianCatalogue();
}

GutCatalogueLoad GutCatalogue::LoadCatalogue(GutBookList &list)
{
    GutCatalogueLoad result;
    list.clear();
    if (!HasCatalogue()) {
        result.dateLine = translated("No catalogue file. Click Download Catalogue.");
        result.caption = translated("Project Gutenberg: Download a catalogue file to begin.");
        result.message = translated("Cannot find %1. Please download or generate a new catalogue.")
                             .arg(indexName());
        return result;
    }
    BusyScope busy(*this, m_busy);
    Trace::attempt(QStringLiteral("LoadCatalogue"), kModule, [&] {
        const QString path = file(indexName());
        const QDate date = QFileInfo(path).lastModified().date();
        result.dateLine = translated("Catalogue last updated: %1")
                              .arg(QLocale().toString(date, QStringLiteral("MMMM dd, yyyy")));
        const QString text = read(indexName());
        QList<GutBook> books;
        books.reserve(text.size() / 64);
        QStringView rest(text);
        while (!rest.isEmpty()) {
            qsizetype end = rest.indexOf(u'\n');
            QStringView line = end < 0 ? rest : rest.left(end);
            rest = end < 0 ? QStringView() : rest.sliced(end + 1);
            if (line.endsWith(u'\r'))
                line.chop(1);
            const qsizetype comma = line.indexOf(u',');
            if (comma < 0)
                continue;
            const QStringView serverPath = line.left(comma).trimmed();
            if (serverPath.contains(u"gutindex", Qt::CaseInsensitive))
                continue;
            const QString title = line.sliced(comma + 1).trimmed().toString();
            if (title.isEmpty())
                continue;
            const QString p = serverPath.toString();
            books.append({ title, cSharedFileSubs::FileOnly(p), p });
        }
        list.setBooks(std::move(books));
        list.sort(GutBookList::BookColumn, Qt::AscendingOrder);
        result.loaded = true;
    });
    result.caption = translated("Project Gutenberg: %1 titles.").arg(list.count());
    return result;
}
