// Markdown rendered to the text a listener should hear: the CommonMark examples against
// the text content of their reference HTML, and real documents' headings and title.
#include "documents/MarkdownReader.h"

#include "documents/cSharedHTML.h"
#include "support/Corpora.h"
#include "support/TextSimilarity.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString htmlText(QString html)
{
    // Images' alt texts live in attributes, so the reference's text content has none.
    cSharedHTML::HtmlToPlainText(html);
    return html;
}

TEST(MarkdownReader, CommonMarkExamplesRenderToTheirReferenceText)
{
    const QString path =
        corporaFile(QStringLiteral("formats/markdown/commonmark-0.31.2.examples.json"));
    if (path.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray examples = QJsonDocument::fromJson(file.readAll()).array();
    ASSERT_GT(examples.size(), 600);
    int same = 0;
    int headingsRight = 0;
    int withHeadings = 0;
    QStringList differing;
    for (const QJsonValue &value : examples) {
        const QJsonObject example = value.toObject();
        const FormatText result =
            MarkdownReader::fromBytes(example.value(QLatin1String("markdown")).toString().toUtf8());
        const QString html = example.value(QLatin1String("html")).toString();
        const QStringList ours = TextSimilarity::words(result.text);
        const QStringList theirs = TextSimilarity::words(htmlText(html));
        if (ours == theirs)
            ++same;
        else
            differing.append(QString::number(example.value(QLatin1String("example")).toInt()));
        const int headings =
            int(html.count(QLatin1String("<h")) - html.count(QLatin1String("<hr")));
        if (headings > 0) {
            ++withHeadings;
            headingsRight += int(result.headings.size()) == headings;
        }
        // Never markup: no emphasis stars or heading hashes survive where HTML has none.
        if (!html.contains(QLatin1Char('#'))) {
            EXPECT_FALSE(result.text.contains(QLatin1String("# "))) << result.text.toStdString();
        }
    }
    // The rest differ in how raw HTML and references are read, not in what is text.
    EXPECT_GE(same, examples.size() * 9 / 10) << "differing: " << differing.join(' ').toStdString();
    EXPECT_GE(headingsRight, withHeadings * 95 / 100);
    if (qEnvironmentVariableIsSet("ORLIN_DUMP"))
        qInfo("same %d of %d; headings %d of %d; differing %s", same, int(examples.size()),
              headingsRight, withHeadings, qPrintable(differing.join(' ')));
}

TEST(MarkdownReader, RealDocumentsGiveTitleAndHeadings)
{
    const QString readme = corporaFile(QStringLiteral("formats/markdown/commonmark-README.md"));
    const QString large = corporaFile(QStringLiteral("formats/markdown/commonmark-0.31.2.txt"));
    if (readme.isEmpty() || large.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    const FormatText small = MarkdownReader::read(readme);
    ASSERT_TRUE(small.read());
    EXPECT_EQ(small.title, QStringLiteral("CommonMark"));
    ASSERT_GE(small.headings.size(), 3);
    for (const FormatHeading &h : small.headings)
        EXPECT_TRUE(small.text.mid(h.position).startsWith(h.text)) << h.text.toStdString();
    EXPECT_FALSE(small.text.contains(QLatin1String("](")));

    // Front matter is not read; its title is the document's.
    const FormatText book = MarkdownReader::read(large);
    ASSERT_TRUE(book.read());
    QFile source(large);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    static const QRegularExpression titleLine(QStringLiteral("^title: *(.+)$"),
                                              QRegularExpression::MultilineOption);
    const QString stated =
        titleLine.match(QString::fromUtf8(source.read(4096))).captured(1).trimmed();
    ASSERT_FALSE(stated.isEmpty());
    EXPECT_EQ(book.title, stated);
    EXPECT_FALSE(book.text.startsWith(QLatin1String("title:")));
    EXPECT_GE(book.headings.size(), 40);
}

} // namespace
