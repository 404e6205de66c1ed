// Word documents of the shared corpus against their reference readings, grouped by what
// breaks readers: tracked changes, fields, comments, notes, text boxes, tables, lists,
// Strict namespaces and byte-order marks; then damaged packages.
#include "documents/DocxReader.h"

#include "support/Corpora.h"
#include "support/FileParamName.h"
#include "support/QStringPrinter.h"
#include "support/TextSimilarity.h"
#include "support/ZipBuilder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *file;
    std::vector<const char *> present; // in the text, in this order
    std::vector<const char *> absent;
    int headings = -1; // -1: not checked
};

class CorpusDocx : public testing::TestWithParam<Case>
{
};

TEST_P(CorpusDocx, ReadsLikeTheReference)
{
    const Case &c = GetParam();
    const QString file = corporaFile(QStringLiteral("formats/docx/%1.docx").arg(c.file));
    if (file.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    const FormatText result = DocxReader::read(file);
    const QString reference = TextSimilarity::officeReference(
        corporaFile(QStringLiteral("formats/docx/expected/%1.txt").arg(c.file)), true);
    if (qEnvironmentVariableIsSet("ORLIN_DUMP")) {
        QFile out(QStringLiteral("/tmp/docx-%1.txt").arg(c.file));
        out.open(QIODevice::WriteOnly);
        out.write(result.text.toUtf8());
    }
    if (reference.trimmed().isEmpty()) {
        EXPECT_EQ(result.outcome, FormatText::Outcome::NoText);
        EXPECT_FALSE(result.failure.isEmpty());
        return;
    }
    ASSERT_TRUE(result.read()) << result.failure.toStdString();
    EXPECT_GE(TextSimilarity::wordF1(result.text, reference), 0.97);
    EXPECT_EQ(TextSimilarity::misplaced(result.text, c.present, c.absent), QStringList());
    if (c.headings >= 0) {
        EXPECT_EQ(result.headings.size(), c.headings);
    }
    for (const FormatHeading &h : result.headings)
        EXPECT_TRUE(result.text.mid(h.position).startsWith(h.text.left(10)))
            << h.text.toStdString();
}

const Case cases[] = {
    // A real manual: fields read as their results, never their codes.
    { "docx4j_Docx4j_GettingStarted", { "Getting Started" }, { "_Toc96591801", "MERGEFORMAT" } },
    // Tracked changes accepted; headings by style.
    { "docx4j_sample-docx", {}, {} },
    { "python-docx_blk-paras-and-tables", {}, {} },
    { "python-docx_comments-rich-para", {}, {} },
    { "python-docx_doc-odd-even-hdrs", {}, {} },
    { "python-docx_num-having-numbering-part", {}, {} },
    { "python-docx_par-hlink-frags", {}, {} },
    { "python-docx_par-hyperlinks", {}, {} },
    // Rendered page breaks are no breaks: the marks stay within their words.
    { "python-docx_par-rendered-page-breaks", { ">><<" }, {} },
    { "python-docx_sct-first-page-hdrftr", {}, {} },
    { "python-docx_tab-stops", {}, {} },
    { "python-docx_tbl-cell-access", {}, {} },
    { "python-docx_tbl-having-applied-style", {}, {} },
    { "python-docx_test", { "python-docx was here!" }, {} },
    { "python-docx_txt-font-props", {}, {} },
    // Notes after the text, numbered as their marks.
    { "mammoth_footnotes", { "Ouch[1].[2]", "[1] A tachyon walks into a bar.", "[2] Fin." }, {} },
    { "mammoth_endnotes", { "[1]", "[2]" }, {} },
    { "mammoth_footnote-hyperlink", { "[1]" }, {} },
    // One row a line, cells apart.
    { "mammoth_tables",
      { "Above", "Top left\tTop right\nBottom left\tBottom right", "Below" },
      {} },
    { "mammoth_simple-list", { "Apple\nBanana" }, {} },
    // The Choice of alternate content, not its fallback copy as well.
    { "mammoth_text-box", {}, {} },
    // Comments are not text.
    { "mammoth_comments", { "Ouch." }, { "Not funny" } },
    { "mammoth_utf8-bom", {}, {} },
    { "mammoth_strict-format", {}, {} },
    { "mammoth_strikethrough", { "Sold out" }, {} },
    { "mammoth_empty", {}, {} },
};

INSTANTIATE_TEST_SUITE_P(Docx, CorpusDocx, testing::ValuesIn(cases), FileParamName());

} // namespace
