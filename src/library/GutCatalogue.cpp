#include "library/GutCatalogue.h"

#include "base/FileTable.h"
#include "base/TextFileEncoding.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "library/BackgroundJob.h"
#include "library/GutBookList.h"
#include "library/GutIndexFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <optional>
#include <utility>

namespace {

const QString kModule = QStringLiteral("frmGUT");

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromUtf8(english));
}

// The parses' files, found on the main thread before the work starts; empty where a
// source is missing.
struct BuildFiles
{
    QString listing;
    QString gutindex;
    QString australian;
    QString files; // GutFiles.txt, to read or replace
    QString index; // GutIndex.txt, to read or replace
    bool withAustralian = false;
};

// What the parses did, for the main thread to log and tell.
struct BuildResult
{
    enum Outcome { Written, NoFileList, NoTitles, Failed, Cancelled } outcome = Failed;
    bool australianMissing = false;
    qsizetype titles = 0;
    // The failure the user is told of, and every one for the log, with its procedure.
    std::optional<Failure> told;
    bool toldWriting = false;
    QList<std::pair<QString, Failure>> failures;
};

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Failure(FailureCode::PathFileAccess, f.errorString(), path);
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw Failure(FailureCode::PathFileAccess, f.errorString(), path);
    return bytes;
}

QStringList linesOf(const QString &text)
{
    QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    lines.removeAll(QString());
    return lines;
}

void writeLines(const QString &path, const QStringList &lines)
{
    QString text = lines.join(QStringLiteral("\r\n"));
    text += QStringLiteral("\r\n");
    FileTable::replaceFile(path, TextFileEncoding::encode(text));
}

// Runs one parse step; a failure ends the build with it.
template<class Step> bool step(BuildResult &r, const char *procedure, Step &&fn)
{
    try {
        fn();
        return true;
    } catch (const std::exception &e) {
        const Failure f = Trace::asFailure(e);
        r.failures.append({ QString::fromLatin1(procedure), f });
        r.told = f;
        r.outcome = BuildResult::Failed;
    }
    return false;
}

// The parse chain on the worker thread: nothing here touches a window or a service.
BuildResult build(const BuildFiles &in, const BackgroundJob::Token &token)
{
    BuildResult r;
    const auto goOn = [&](qint64 done, qint64 total) {
        if (done >= 0)
            token.progress(done, total);
        return !token.cancelled();
    };
    const auto cancelled = [&] {
        if (token.cancelled())
            r.outcome = BuildResult::Cancelled;
        return token.cancelled();
    };

    // ParseLSLR: a listing that gives no book file replaces nothing.
    QStringList files;
    const bool listed = !in.listing.isEmpty();
    if (listed) {
        if (!step(r, "ParseLSLR", [&] {
                files = GutIndexFormat::filesFromListing(
                    GutIndexFormat::decodeLines(readBytes(in.listing)), goOn);
            }))
            return r;
        if (cancelled())
            return r;
    } else if (QFileInfo(in.files).isFile()) {
        if (!step(r, "ParseGutindexAll",
                  [&] { files = linesOf(GutIndexFormat::decodeLines(readBytes(in.files))); }))
            return r;
    }
    if (files.isEmpty() && (listed || !in.gutindex.isEmpty())) {
        r.outcome = BuildResult::NoFileList;
        return r;
    }

    // ParseGutindexAll, or, without a GUTINDEX.ALL, the titles the index has from it.
    QStringList index;
    if (!in.gutindex.isEmpty()) {
        GutIndexFormat::SortArray(files);
        if (!step(r, "ParseGutindexAll", [&] {
                index = GutIndexFormat::indexFromGutindex(
                    GutIndexFormat::decodeLines(readBytes(in.gutindex)), files, goOn);
            }))
            return r;
        if (cancelled())
            return r;
    } else if (QFileInfo(in.index).isFile()) {
        if (!step(r, "ParseGutindexAll",
                  [&] { index = linesOf(GutIndexFormat::decodeLines(readBytes(in.index))); }))
            return r;
        // Australian records are made afresh below, never added a second time.
        index.removeIf([](const QString &line) { return line.contains(u"*PG-OZ*"); });
    }

    // ParseAustralianCatalogue.
    if (in.withAustralian && in.australian.isEmpty())
        r.australianMissing = true;
    if (in.withAustralian && !in.australian.isEmpty()) {
        if (!step(r, "ParseAustralianCatalogue", [&] {
                index += GutIndexFormat::indexFromAustralian(
                    GutIndexFormat::decodeLines(readBytes(in.australian)));
            }))
            return r;
    }
    if (cancelled())
        return r;
    if (index.isEmpty()) {
        r.outcome = BuildResult::NoTitles;
        return r;
    }

    // Written only now that the new catalogue is known to have titles: the file list
    // first, then the index, each replaced whole.
    r.toldWriting = true;
    if (listed && !step(r, "ParseLSLR", [&] { writeLines(in.files, files); }))
        return r;
    if (!step(r, "ParseGutindexAll", [&] { writeLines(in.index, index); }))
        return r;
    r.outcome = BuildResult::Written;
    r.titles = index.size();
    return r;
}

} // namespace

GutCatalogue::GutCatalogue(QString programFolder, QObject *parent)
    : QObject(parent)
    , m_folder(std::move(programFolder))
    , m_job(std::make_unique<BackgroundJob>())
{
    connect(m_job.get(), &BackgroundJob::Progress, this, [this](qint64 done, qint64 total) {
        emit Progress(done, total);
        if (total > 0)
            emit Status(translated("Line %1 of %2").arg(done).arg(total));
    });
    connect(m_job.get(), &BackgroundJob::Ended, this, [this] { emit Busy(false); });
}

GutCatalogue::~GutCatalogue() = default;

QString GutCatalogue::fileIn(const QString &folder, const QString &name)
{
    const QDir dir(folder);
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

bool GutCatalogue::isBusy() const
{
    return m_loading || m_job->isRunning();
}

bool GutCatalogue::Regenerate()
{
    return Regenerate(exists(australianName()));
}

void GutCatalogue::Cancel()
{
    m_job->cancel();
}

bool GutCatalogue::Regenerate(bool withAustralian)
{
    if (isBusy())
        return false;
    BuildFiles in;
    const auto present = [this](const QString &name) {
        return exists(name) ? file(name) : QString();
    };
    in.listing = present(lsRName());
    in.gutindex = present(gutindexName());
    in.australian = present(australianName());
    in.files = file(filesName());
    in.index = file(indexName());
    in.withAustralian = withAustralian;
    auto result = std::make_shared<BuildResult>();
    emit Busy(true);
    emit Status(translated("Recreating catalogue"));
    m_job->start(
        [in, result](const BackgroundJob::Token &token) { *result = build(in, token); },
        [this, in, result] {
            const BuildResult &r = *result;
            for (const auto &[procedure, failure] : r.failures)
                Trace::record(failure, procedure, kModule);
            if (r.australianMissing)
                emit Message(translated("PG Australia file not found. Please download again."));
            switch (r.outcome) {
            case BuildResult::Written:
                emit Status(translated("Catalogue created"));
                break;
            case BuildResult::NoFileList:
                emit Status(QString());
                emit Message(translated("Cannot create catalog. Please download and try again."));
                break;
            case BuildResult::NoTitles:
                emit Status(QString());
                emit Message(translated("The new catalogue has no titles, so the "
                                        "catalogue you have is kept."));
                break;
            case BuildResult::Failed:
                emit Status(QString());
                if (r.told)
                    emit Message((r.toldWriting ? translated("The catalogue could not be saved "
                                                             "to %1: %2")
                                                : translated("Cannot read %1: %2"))
                                     .arg(r.told->source(), r.told->description()));
                break;
            case BuildResult::Cancelled:
                break;
            }
            emit Finished(r.outcome == BuildResult::Written);
        });
    return true;
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
    m_loading = true;
    emit Busy(true);
    Trace::attempt(QStringLiteral("LoadCatalogue"), kModule, [&] {
        const QString path = file(indexName());
        const QDate date = QFileInfo(path).lastModified().date();
        result.dateLine = translated("Catalogue last updated: %1")
                              .arg(QLocale().toString(date, QStringLiteral("MMMM dd, yyyy")));
        const QString text = GutIndexFormat::decodeLines(cSharedFileSubs::ReadWholeFileBytes(path));
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
    m_loading = false;
    emit Busy(false);
    result.caption = translated("Project Gutenberg: %1 titles.").arg(list.count());
    return result;
}
