#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class BackgroundJob;
class GutBookList;

// What LoadCatalogue tells the window to show.
struct GutCatalogueLoad
{
    bool loaded = false;
    QString dateLine; // lblCatalogueDate
    QString caption; // the window's caption
    QString message; // a message box, when not empty
};

// The catalogue files in the program folder and the work on them: ls-R to
// GutFiles.txt, GUTINDEX.ALL (and the Australian catalogue.txt) to GutIndex.txt, and
// GutIndex.txt into the book list. Source files are found whatever the letter case of
// their names, and read line by line (UTF-8 where a line is valid, Windows-1252 where
// not). The parses run on a worker thread and report by signal; the index files are
// replaced only by a catalogue that has titles, so a bad source never wipes a good
// catalogue.
//
// Failures are traced with the operation's name and "frmGUT", as the window's own.
class GutCatalogue : public QObject
{
    Q_OBJECT
public:
    explicit GutCatalogue(QString programFolder, QObject *parent = nullptr);
    ~GutCatalogue() override;

    static QString lsRName() { return QStringLiteral("ls-R"); }
    static QString gutindexName() { return QStringLiteral("GUTINDEX.ALL"); }
    static QString australianName() { return QStringLiteral("catalogue.txt"); }
    static QString filesName() { return QStringLiteral("GutFiles.txt"); }
    static QString indexName() { return QStringLiteral("GutIndex.txt"); }

    QString programFolder() const { return m_folder; }
    // The file of that name in the folder, matched without regard to case; the
    // exact-case path when there is none.
    static QString fileIn(const QString &folder, const QString &name);
    QString file(const QString &name) const { return fileIn(m_folder, name); }
    bool exists(const QString &name) const;

    // Regen Catalogue, and the end of a catalogue download: ParseLSLR, ParseGutindexAll
    // and, with the Australian catalogue, ParseAustralianCatalogue, on a worker thread.
    // Status and Progress follow the work; Message tells what the user must know;
    // Finished ends it (not after Cancel). False when the parses are already running.
    bool Regenerate(bool withAustralian);
    // With the Australian catalogue when catalogue.txt is there.
    bool Regenerate();
    void Cancel();
    // Regen Catalogue is possible when both sources are in the program folder.
    bool UpdateRegenButton() const;
    bool HasCatalogue() const { return exists(indexName()); }

    // GutIndex.txt into the list, sorted by title.
    GutCatalogueLoad LoadCatalogue(GutBookList &list);

    bool isBusy() const;

signals:
    // For the status line.
    void Status(const QString &text);
    // Lines done of all lines while GUTINDEX.ALL is parsed.
    void Progress(qint64 done, qint64 total);
    // Something the user must be told in a message box.
    void Message(const QString &text);
    // The busy pointer on (true) and off.
    void Busy(bool busy);
    // The parses have ended; written when GutIndex.txt was replaced.
    void Finished(bool written);

private:
    QString m_folder;
    std::unique_ptr<BackgroundJob> m_job;
    bool m_loading = false;
};
