#pragma once

#include "documents/FormatText.h"
#include "documents/PdfLayout.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>

namespace Poppler {
class Document;
}

// Reads a PDF through Poppler: the text of each page in reading order, laid out by
// PdfLayout, and the outline as headings. Opening is separate from reading pages, so a
// caller can show the first pages while the rest is read (PdfLoader does that on a worker
// thread), and can ask for a password once: open() says NeedsPassword for a document
// with a user password (one with an empty user password opens directly), WrongPassword
// when the password given does not open it, NoText when the pages sampled at opening
// hold no text at all (a scan), Damaged when Poppler cannot read it.
class PdfReader
{
public:
    PdfReader();
    ~PdfReader();
    PdfReader(const PdfReader &) = delete;
    PdfReader &operator=(const PdfReader &) = delete;

    // The outcome, title and language; no text yet. `bytes` is the file's content.
    FormatText open(const QString &path, const QByteArray &password = {});
    FormatText openData(const QByteArray &bytes, const QByteArray &password = {});

    int pageCount() const;
    // Appends the text of pages [first, first + count) to result.text, and the outline's
    // headings that point into them. Pages must be read in order, each once.
    void readPages(int first, int count, FormatText &result);
    // Ends the text after the last page read.
    void finish(FormatText &result);

    // Everything at once.
    static FormatText read(const QString &path, const QByteArray &password = {});
    static FormatText readData(const QByteArray &bytes, const QByteArray &password = {});

private:
    FormatText opened(const QByteArray &password);
    FormatText readAll(FormatText opened);
    PdfLayout::Page pageLines(int index) const;
    struct Target
    {
        QString text;
        int level;
        int page; // 0-based
        double top; // share of the page height, 0 at the top
    };
    void collectOutline();

    std::unique_ptr<Poppler::Document> m_document;
    PdfLayout m_layout;
    QList<Target> m_outline;
    qsizetype m_nextTarget = 0;
    QHash<int, PdfLayout::Page> m_sampled; // pages read at opening, used once
};
