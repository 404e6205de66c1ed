#include "documents/cSharedHTML.h"

#include "base/CodePage.h"
#include "documents/HtmlEntities.h"
#include "documents/HtmlLibrary.h"

#include "support/Corpora.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

struct Case
{
    const char *input;
    const char *expected;
};

void expectPlainText(const Case *cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        QString text = u(cases[i].input);
        cSharedHTML::HtmlToPlainText(text);
        EXPECT_EQ(text, u(cases[i].expected)) << cases[i].input;
    }
}

TEST(cSharedHTML, HtmlToPlainTextHeadLineBreaksAndBlankInput)
{
    const Case cases[] = {
        { "", "" },
        { "    ", "    " },
        { "no markup at all", "no markup at all" },
        { "<html><head><title>T</title></head><body>Body</body></html>", "Body" },
        { "<HEAD>x</HEAD>kept", "kept" },
        // Only what precedes the first closing head tag goes.
        { "a</head>b</head>c", "bc" },
        { "one<br>two<BR>three<Br>four", "one\r\ntwo\r\nthree\r\nfour" },
        { "end<bR>", "end\r\n" },
        { "cut short <b", "cut short <b" },
        { "</HEAD", "</HEAD" },
        // Every form of the line break is one.
        { "one<br/>two<br />three<BR CLEAR=ALL>four", "one\r\ntwo\r\nthree\r\nfour" },
        // Blank lines survive whatever the line ends; a line end doubled by a text-mode
        // copy (CR CR LF) is one.
        { "para\n\nnext\r\rlast\r\n\r\nend", "para\n\nnext\r\rlast\r\n\r\nend" },
        { "one\r\r\ntwo", "one\r\ntwo" },
        { "<pre>a\n\n  b\r\r</pre>c", "a\n\n  b\r\rc" },
        { "[emph]kept[/emph] <i>x</i>", "[emph]kept[/emph] x" },
    };
    expectPlainText(cases, std::size(cases));
}

TEST(cSharedHTML, StyleScriptAndCommentsAreRemovedWithTheirContent)
{
    const Case cases[] = {
        { "a<style>p{}</style>b<STYLE>q{}</STYLE>c", "abc" },
        { "<style>x</style><style>y</style>z", "z" },
        // An unclosed block stays as text; its tag alone is markup.
        { "a<style>p { color: red }", "ap { color: red }" },
        { "a<style type=\"text/css\">p{}</style>b", "ab" },
        { "a<script>if (x < y) alert(1);</script>b", "ab" },
        { "a<script src=x.js />b", "ab" },
        { "a<!-- hidden > still hidden -->b", "ab" },
        { "a <!-- never closed> b", "a  b" },
        { "x < y and y > z", "x < y and y > z" },
        { "I <3 it", "I <3 it" },
        { "<p>unclosed <b", "unclosed <b" },
        { "<!DOCTYPE html><?xml version=\"1.0\"?>text", "text" },
    };
    expectPlainText(cases, std::size(cases));
}

// Texts that block elements hold apart are not run together: "ApplesOrangesPears" would
// be read as one word.
TEST(cSharedHTML, BlockElementsKeepTheirTextsApart)
{
    const Case cases[] = {
        { "<ul>\n  <li>Apples</li>\n  <li>Oranges</li><li>Pears</li>\n</ul>",
          "Apples\r\nOranges\r\nPears" },
        { "<table><tr><td>A</td><td>B</td></tr><tr><th>C</th><td>D</td></tr></table>",
          "A\tB\r\nC\tD" },
        { "<h1>Title</h1><p>First.</p>\n<p>Second.</p><div><div>Deep</div></div>end",
          "Title\r\n\r\nFirst.\r\n\r\nSecond.\r\n\r\nDeep\r\n\r\nend" },
        { "in<b>line</b> <i>stays</i> <span>one</span> line", "inline stays one line" },
        { "<p>last</p>\n\n", "last" },
    };
    expectPlainText(cases, std::size(cases));
}

TEST(cSharedHTML, EscapedMarkupStaysText)
{
    const Case cases[] = {
        { "&lt;b&gt;bold&lt;/b&gt;", "<b>bold</b>" },
        { "<p>Use the &lt;br&gt; element</p>", "Use the <br> element" },
        { "&#60;i&#62;x&#60;/i&#62;", "<i>x</i>" },
        { "a &amp; b &quot;c&quot; d&nbsp;e", "a & b \"c\" d e" },
        { "&amp;lt;kept&amp;gt;", "&lt;kept&gt;" },
        { "caf&eacute; &Eacute;T&Eacute; &EACUTE;", "café ÉTÉ &EACUTE;" },
        { "&apos;quoted&apos; &unknown; &amp", "'quoted' &unknown; &amp" },
        { "&hellip;&HELLIP;&bull;&prime;&Prime;&PRIME;", "…...•′″&PRIME;" },
    };
    expectPlainText(cases, std::size(cases));
}

TEST(cSharedHTML, NumericReferences)
{
    const Case cases[] = {
        { "&#65;", "A" },
        { "&#65.5;", "B" },
        { "&#66.5;", "B" },
        { "&#0;x", "x" },
        { "&#0.4;kept", "kept" },
        { "&#150;&#151;&#128;", "–—€" },
        { "&#8211;&#8212;&#8230;&#8220;&#8221;&#8216;&#8217;", "--...\"\"''" },
        { "&#8242;&#8243;&#8364;&#8226;", "'\"€•" },
        // Characters above the code page are kept rather than lost.
        { "&#255;&#300;&#1055;&#1088;&#1080;", "ÿĬПри" },
        { "&#x41;&#X42;&#x43b;&#x1F600;", "ABл😀" },
        { "&#x96;", "–" },
        { "&#55296;&#xD800;&#1114112;&#x110000;&#99999999999999;done", "done" },
        { "&#-5;&#abc;&#;end", "end" },
        { "no semicolon &#65 here", "no semicolon &#65 here" },
        { "&#38;#65;", "&#65;" },
        // A ";" past a blank does not end a reference: the text between stays.
        { "C&# is not a language; fine", "C&# is not a language; fine" },
        { "&#&#65;", "&#A" },
    };
    expectPlainText(cases, std::size(cases));
}

TEST(cSharedHTML, HtmlConstToCharNamedReplacementsAlone)
{
    QString text = u("&HELLIP; &Bull; &prime; &PRIME; &#8211; &#65;");
    cSharedHTML::HTMLConstToChar(text);
    EXPECT_EQ(text, u("... • ' &PRIME; - A"));
}

TEST(cSharedHTML, NulCutsTheTextEvenWithoutMarkup)
{
    QString text = QStringLiteral("before") + QChar(0) + QStringLiteral("after");
    cSharedHTML::StripHtml(text);
    EXPECT_EQ(text, "before");
    QString tagged = QStringLiteral("<b>before</b>") + QChar(0) + QStringLiteral("<i>after</i>");
    cSharedHTML::HtmlToPlainText(tagged);
    EXPECT_EQ(tagged, "before");
}

TEST(cSharedHTML, ReplaceFamily)
{
    struct ReplaceCase
    {
        const char *text, *find, *with;
        bool matchCase;
        const char *expected;
    } cases[] = {
        { "ABC abc", "abc", "x", false, "x x" },
        { "ABC abc", "abc", "x", true, "ABC x" },
        { "unchanged", "", "x", true, "unchanged" },
        { "unchanged", "", "x", false, "unchanged" },
        { "aaaa", "aa", "a", true, "aa" },
        { "aaa", "a", "aa", true, "aaaaaa" },
        { "", "a", "b", true, "" },
        { "ÉCOLE école", "école", "school", false, "school school" },
    };
    for (const auto &c : cases) {
        QString text = u(c.text);
        cSharedHTML::MyReplace(text, u(c.find), u(c.with), c.matchCase);
        EXPECT_EQ(text, u(c.expected)) << c.text << " / " << c.find;
    }
    QString ci = "One ONE one";
    cSharedHTML::ReplaceWith(ci, "one", "1");
    EXPECT_EQ(ci, "1 1 1");
    QString exact = "One ONE one";
    cSharedHTML::ReplaceWith_NC(exact, "one", "1");
    EXPECT_EQ(exact, "One ONE 1");
}

TEST(cSharedHTML, ByteArrayToString)
{
    EXPECT_EQ(cSharedHTML::ByteArrayToString(QByteArray("hi\0there", 8)), "hi");
    EXPECT_EQ(cSharedHTML::ByteArrayToString(QByteArray("  padded \t ")), "padded \t");
    EXPECT_EQ(cSharedHTML::ByteArrayToString(QByteArray("\x93quoted\x94 \xe9")), u("“quoted” é"));
    EXPECT_EQ(cSharedHTML::ByteArrayToString(QByteArray()), "");
    EXPECT_EQ(cSharedHTML::ByteArrayToString(QByteArray("\0abc", 4)), "");
}

TEST(cSharedHTML, CharToHtmlEscapes)
{
    const Case cases[] = {
        { "a b", "a&nbsp;b" },
        { "   ", "   " },
        { "AT&T \"<x>\"", "AT&T&nbsp;&quot;&lt;x&gt;&quot;" },
        { "–—", "&ndash;&mdash;" },
        { "ÐðÀàÿ", "&ETH;&eth;&Agrave;&agrave;&yuml;" },
        { "¢ß¡©", "¢ß&iexcl;&copy;" },
        { "€Ÿ", "€Ÿ" },
    };
    for (const auto &c : cases) {
        QString text = u(c.input);
        cSharedHTML::CharToHtml(text);
        EXPECT_EQ(text, u(c.expected)) << c.input;
    }
}

TEST(cSharedHTML, CharToHtmlRoundTripsEveryCodePageCharacter)
{
    QString all;
    for (int byte = 32; byte <= 255; ++byte) {
        const QString one(CodePage::byteToChar(static_cast<unsigned char>(byte)));
        QString text = QStringLiteral("x") + one + QStringLiteral("y");
        cSharedHTML::CharToHtml(text);
        cSharedHTML::HtmlToChar(text);
        EXPECT_EQ(text, QStringLiteral("x") + one + QStringLiteral("y")) << byte;
        if (byte != '&')
            all += one;
    }
    QString text = all;
    cSharedHTML::CharToHtml(text);
    EXPECT_NE(text, all);
    cSharedHTML::HtmlToChar(text);
    EXPECT_EQ(text, all);
}

// The named references agree with the published table, where the corpus is present.
TEST(cSharedHTML, EntityTableAgreesWithPublishedList)
{
    const QString path = corporaFile(QStringLiteral("html_entities/he/entities.json"));
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "shared corpora not present, entity table not compared";
    const QJsonObject published = QJsonDocument::fromJson(file.readAll()).object();
    ASSERT_GT(published.size(), 2000);
    int count = 0;
    const HtmlEntities::Entry *entries = HtmlEntities::table(&count);
    for (int i = 0; i < count; ++i) {
        const QString key = QStringLiteral("&%1;").arg(QLatin1String(entries[i].name));
        ASSERT_TRUE(published.contains(key)) << entries[i].name;
        const QJsonArray cps = published[key].toObject()[QStringLiteral("codepoints")].toArray();
        ASSERT_EQ(cps.size(), 1) << entries[i].name;
        EXPECT_EQ(char32_t(cps[0].toInt()), entries[i].codePoint) << entries[i].name;
        EXPECT_EQ(HtmlEntities::lookup(QString::fromLatin1(entries[i].name)), entries[i].codePoint);
    }
}

} // namespace
