#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

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
// their names. Long work reports progress and lets window events run in between, so
// it refuses to start again from inside itself.
//
// Failures are traced with the operation's name and "frmGUT", as the window's own.
class GutCatalogue : public QObject
{
    Q_OBJECT
public:
    explicit GutCatalogue(QString programFolder, QObject *parent = nullptr);

    static QString lsRName() { return QStringLiteral("ls-R"); }
    static QString gutindexName() { return QStringLiteral("GUTINDEX.ALL"); }
    static QString australianName() { return QStringLiteral("catalogue.txt"); }
    static QString filesName() { return QStringLiteral("GutFiles.txt"); }
    static QString indexName() { return QStringLiteral("GutIndex.txt"); }

    QString programFolder() const { return m_folder; }
    // The file of that name in the program folder, matched without regard to case; the
    // exact-case path when there is none.
    QString file(const QString &name) const;
    bool exists(const QString &name) const;

    void ParseLSLR();
    void ParseGutindexAll();
    void ParseAustralianCatalogue();
    // Regen Catalogue: the parses, the Australian one when catalogue.txt is there.
    void Regenerate();
    // Regen Catalogue is possible when both sources are in the program folder.
    bool UpdateRegenButton() const;
    bool HasCatalogue() const { return exists(indexName()); }

    // GutIndex.txt into the list, sorted by title.
    GutCatalogueLoad LoadCatalogue(GutBookList &list);

    bool isBusy() const { return m_busy; }

signals:
    // For the status line.
    void Status(const QString &text);
    // Lines done of all lines while GUTINDEX.ALL is parsed.
    void Progress(qint64 done, qint64 total);
    // Something the user must be told in a message box.
    void Message(const QString &text);
    // The busy pointer on (true) and off.
    void Busy(bool busy);

private:
    QString read(const QString &name) const;
    void write(const QString &name, const QStringList &lines) const;
    void progress(qint64 done, qint64 total);

    QString m_folder;
    bool m_busy = false;
    // The sorted file list ParseLSLR wrote, kept for the ParseGutindexAll that follows
    // it, as long as GutFiles.txt is still the file it wrote (same size and time).
    QStringList m_files;
    qint64 m_filesSize = -1;
    QDateTime m_filesTime;
    QElapsedTimer m_sincePump;
};
