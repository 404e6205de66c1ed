#pragma once

#include <QList>
#include <QRectF>
#include <QString>

// Turns the lines of PDF pages (words already in the extractor's reading order, columns
// read as columns) into text a listener can follow: running heads, running feet and page
// numbers dropped, paragraphs told apart by spacing, indentation and short last lines,
// words broken by a hyphen at a line end joined again, ligatures and presentation forms
// expanded. Pure logic on positions, so it is tested and fuzzed without a PDF.
class PdfLayout
{
public:
    struct Line
    {
        QString text;
        QRectF box; // in page points, y growing downwards
    };
    struct Page
    {
        QList<Line> lines;
        QSizeF size;
    };

    // Learns the running heads and feet from a sample of the document's pages: a line at
    // the top or bottom of a page whose text (digits aside) is found there on most pages.
    void learnRunningLines(const QList<Page> &sample);
    bool isRunningLine(const Page &page, qsizetype index) const;

    // Appends a page's text to `text`, continuing the paragraph the previous page ended in
    // when the page break cut a sentence or a word. `positions` receives, per line of the
    // page, where its text begins in `text` (-1 for a dropped line).
    void appendPage(const Page &page, QString &text, QList<qsizetype> *positions = nullptr);
    // After the last page: a word fragment held back for the next line is written out.
    void finish(QString &text);

    // Words as speech needs them: ligatures, Arabic presentation forms and full-width
    // letters to their plain forms (NFKC, applied only to words that hold such forms).
    static QString plainWord(const QString &word);

    // A line of right-to-left script comes out of the extractor in visual order (left to
    // right on the page); this gives it in the order it is read. Runs of left-to-right
    // letters and digits inside it keep their own order.
    static QString logicalOrder(const QString &line);

private:
    static QString signature(const QString &text);

    QList<QString> m_heads;
    QList<QString> m_feet;
    // The previous page's last kept line, for joining across the page break.
    bool m_havePrevious = false;
    bool m_previousOpen = false; // it ended mid-sentence
    QString m_carry; // a word fragment before a line-end hyphen, not yet written
};
