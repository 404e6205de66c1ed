// Every document loader fed garbage: random bytes, truncated files and the inputs that
// break naive parsers (nesting bombs, unclosed constructs by the hundred thousand, absurd
// counts). Each input must finish, without a sanitizer finding, well within a time limit
// that only a hang or a quadratic pass could exceed.
#include "documents/DocumentLoader.h"
#include "documents/RtfImporter.h"
#include "documents/TextDecoding.h"
#include "documents/cSharedHTML.h"

#include "support/Corpora.h"
#include "support/TempProgramFolder.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

// Generous: sanitizer builds on a shared two-core machine are slow, a hang is not.
constexpr qint64 kLimitMs = 10000;

template<class Step> void withinLimit(const std::string &what, Step &&step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    EXPECT_LT(timer.elapsed(), kLimitMs) << what;
}

void everyLoader(const QByteArray &bytes, const std::string &what)
{
    withinLimit("rtf " + what, [&] {
        QTextDocument doc;
        QString title;
        RtfImporter::import(bytes, &doc, &title);
        (void)doc.toPlainText();
        EXPECT_LE(title.size(), 1000) << what;
    });
    withinLimit("html " + what, [&] {
        QString text = TextDecoding::decodeDocument(bytes);
        cSharedHTML::HtmlToPlainText(text);
    });
}

QByteArray randomBytes(QRandomGenerator &rng, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

// Random documents made of the pieces that steer the parsers.
QByteArray randomTokens(QRandomGenerator &rng, int count, bool rtf)
{
    static const char *rtfTokens[] = {
        "{",          "}",     "\\",     "\\'",       "\\'e9",       "\\u",         "\\u-",
        "\\uc",       "\\bin", "\\*",    "\\par ",    "\\fonttbl",   "\\colortbl",  "\\f",
        "\\fcharset", "128",   "204",    "\\ansicpg", "932",         "\\red",       ";",
        "\\b",        "\\i0",  "\\fs",   "\\cf",      "\\cell",      "\\row",       "\\pict",
        "\\line",     "\\tab", "0",      "1",         "-",           "99999999999", " ",
        "text",       "\\\\",  "\\{",    "\\~",       "\\v",         "\x82",        "\xa0",
        "\r\n",       "\\qc",  "\\pard", "\\plain",   "\\highlight", "\\info",      "\\title",
    };
    static const char *htmlTokens[] = {
        "<",        ">",         "</",      "<!--", "-->",    "<script>", "</script>", "<style>",
        "</style>", "<br>",      "</head>", "&",    "&#",     "&#x",      ";",         "65",
        "8212",     "999999999", "amp",     "lt;",  "&nbsp;", "[emph]",   "<b>",       "</b>",
        "\r",       "\n",        " ",       "text", "\0",     ".",        "-",
    };
    QByteArray out = rtf ? QByteArray("{\\rtf1") : QByteArray();
    for (int i = 0; i < count; ++i) {
        if (rtf)
            out += rtfTokens[rng.bounded(int(std::size(rtfTokens)))];
        else
            out += htmlTokens[rng.bounded(int(std::size(htmlTokens)))];
    }
    return out;
}

TEST(LoaderRobustness, RandomBytes)
{
    QRandomGenerator rng(20261208);
    for (int i = 0; i < 200; ++i) {
        QByteArray bytes = randomBytes(rng, int(rng.bounded(4096)));
        everyLoader(bytes, "random " + std::to_string(i));
        everyLoader("{\\rtf1 " + bytes, "random rtf " + std::to_string(i));
    }
}

TEST(LoaderRobustness, RandomTokenSoup)
{
    QRandomGenerator rng(42);
    for (int i = 0; i < 300; ++i) {
        everyLoader(randomTokens(rng, int(rng.bounded(2000)), true),
                    "rtf soup " + std::to_string(i));
        everyLoader(randomTokens(rng, int(rng.bounded(2000)), false),
                    "html soup " + std::to_string(i));
    }
}

TEST(LoaderRobustness, Bombs)
{
    const int n = 100000;
    const struct
    {
        const char *name;
        QByteArray bytes;
    } bombs[] = {
        { "open groups", "{\\rtf1 " + QByteArray(n, '{') + "x" },
        { "nested groups", "{\\rtf1 " + QByteArray(n, '{') + "x" + QByteArray(n, '}') + "}" },
        { "close groups", "{\\rtf1 x" + QByteArray(n, '}') },
        { "starred groups", "{\\rtf1 " + QByteArray("{\\*").repeated(n) + "x" },
        { "skipped then open", "{\\rtf1 {\\pict " + QByteArray(n, '{') + "}x" },
        { "huge bin", "{\\rtf1 \\bin2147483647 x}" },
        { "huger bin", "{\\rtf1 \\bin99999999999999999999999 x}" },
        { "negative bin", "{\\rtf1 \\bin-5 x}" },
        { "many bins", "{\\rtf1 " + QByteArray("\\bin1 x").repeated(n) + "}" },
        { "many paragraphs", "{\\rtf1 " + QByteArray("\\par").repeated(n) + "}" },
        { "many format runs", "{\\rtf1 " + QByteArray("\\b a\\b0 b").repeated(n) + "}" },
        { "many fonts",
          "{\\rtf1{\\fonttbl" + QByteArray("\\f1\\fcharset128 x;").repeated(n) + "}}" },
        { "many colours", "{\\rtf1{\\colortbl" + QByteArray(";").repeated(n) + "}\\cf4000 x}" },
        { "unicode run", "{\\rtf1\\uc0 " + QByteArray("\\u55357").repeated(n) + "}" },
        { "long word", "{\\rtf1 \\" + QByteArray(n, 'a') + " x}" },
        { "long number", "{\\rtf1 \\fs" + QByteArray(n, '9') + " x}" },
        { "dbcs halves", "{\\rtf1\\ansicpg932 " + QByteArray("\\'82").repeated(n) + "}" },
        { "unclosed comments", QByteArray("<!--").repeated(n) },
        { "unclosed scripts", QByteArray("<script>").repeated(n) },
        { "unclosed styles", QByteArray("<style>").repeated(n) },
        { "open angles", QByteArray("<a").repeated(n) },
        { "references", QByteArray("&#65;&amp;").repeated(n) },
        { "references without end", QByteArray("&#").repeated(n) },
        { "far semicolon", QByteArray("&#1").repeated(n) + ";" },
        { "entity-like",
          QByteArray("&aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa").repeated(n / 10) },
        { "head tags", QByteArray("</head>").repeated(n) },
        { "nul bytes", QByteArray(n, '\0') },
    };
    for (const auto &bomb : bombs)
        everyLoader(bomb.bytes, bomb.name);
}

TEST(LoaderRobustness, TruncatedDocuments)
{
    QList<QByteArray> documents = {
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset128 M;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs24 {\\b bold}\\u8364?\\'e9{\\f1\\'82\\'a0}"
        "{\\pict\\bin4 {}{}}\\trowd a\\cell b\\cell\\row\\par}",
        "<html><head><style>x</style></head><body><!-- c --><script>s</script>"
        "&amp;&#65;&#x42;<b>t</b><br></body></html>",
    };
    const QString corpora = corporaFolder();
    if (!corpora.isEmpty()) {
        QDirIterator it(corpora + QStringLiteral("/rtf"), { QStringLiteral("*.rtf") }, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly) && file.size() < 200000)
                documents.append(file.readAll());
        }
    }
    for (const QByteArray &doc : std::as_const(documents)) {
        const qsizetype step = qMax<qsizetype>(1, doc.size() / 40);
        for (qsizetype cut = 0; cut <= doc.size(); cut += step)
            everyLoader(doc.left(cut), "truncated at " + std::to_string(cut));
    }
}

TEST(LoaderRobustness, DocumentLoaderOnGarbageFiles)
{
    TempProgramFolder folder;
    QRandomGenerator rng(7);
    for (int i = 0; i < 30; ++i) {
        const QByteArray bytes = randomBytes(rng, int(rng.bounded(20000)));
        for (const char *name : { "garbage.txt", "garbage.html", "garbage.rtf" }) {
            folder.writeBytes(QString::fromLatin1(name), bytes);
            withinLimit(name, [&] {
                const Document document =
                    DocumentLoader::Load(folder.file(QString::fromLatin1(name)));
                if (document.rich()) {
                    EXPECT_EQ(document.formatted->toPlainText(), document.text);
                }
            });
        }
    }
}

} // namespace
