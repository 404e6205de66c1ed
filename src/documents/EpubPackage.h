#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The package of an EPUB 2 or 3 book, as its XML says: where the package document is
// (container.xml), its metadata, its manifest and its spine, and which entries
// encryption.xml declares encrypted. Pure parsing of bytes already unpacked, so the parts
// a hostile book controls can be fuzzed on their own.
class EpubPackage
{
public:
    struct Item
    {
        QString path; // the entry name in the archive, resolved against the package
        QString mediaType;
        QString properties; // EPUB 3 "nav", "cover-image", ...
        QString fallback; // the id of the item to use where this one cannot be read
    };
    struct SpineEntry
    {
        QString idref;
        bool linear = true;
    };

    // The package document named by the first rootfile of container.xml (the one for
    // "application/oebps-package+xml" when several are given); empty when none.
    static QString rootfilePath(const QByteArray &containerXml);

    // The entries whose content encryption.xml says is encrypted with anything but the
    // font obfuscation algorithms, which leave a book readable.
    static QStringList encryptedEntries(const QByteArray &encryptionXml);

    // False when the bytes hold no package (no spine at all).
    bool parse(const QByteArray &opf, const QString &opfPath);

    const QString &title() const { return m_title; }
    const QString &language() const { return m_language; }
    const QString &version() const { return m_version; }
    const QList<SpineEntry> &spine() const { return m_spine; }
    const QHash<QString, Item> &items() const { return m_items; }
    // The EPUB 3 navigation document and the EPUB 2 NCX, as entry names (may be empty).
    QString navigationPath() const;
    QString ncxPath() const;

    // The entry to read for a spine item: itself when it is (X)HTML, else the first
    // (X)HTML item of its fallback chain; empty when there is none.
    QString documentFor(const QString &idref) const;

    static bool isHtml(const QString &mediaType);

private:
    QString m_title;
    QString m_language;
    QString m_version;
    QString m_ncxId;
    QHash<QString, Item> m_items;
    QList<SpineEntry> m_spine;
};
