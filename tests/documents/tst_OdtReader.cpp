// OpenDocument texts of the shared corpus against their reference readings, grouped by
// what breaks readers: white-space rules, notes, tracked changes, annotations, lists in
// tables, headings; and a password-protected document, which must say so.
#include "documents/OdtReader.h"

#include "support/Corpora.h"
#include "support/FileParamName.h"
#include "support/QStringPrinter.h"
#include "support/TextSimilarity.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *file;
    std::vector<const char *> present; // in the text, in this order
    std::vector<const char *> absent;
    int headings = -1; // -1: not checked
};

class CorpusOdt : public testing::TestWithParam<Case>
{
};

TEST_P(CorpusOdt, ReadsLikeTheReference)
{
    const Case &c = GetParam();
    const QString file = corporaFile(QStringLiteral("formats/odt/%1.odt").arg(c.file));
    if (file.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    const FormatText result = OdtReader::read(file);
    if (qEnvironmentVariableIsSet("ORLIN_DUMP")) {
        QFile out(QStringLiteral("/tmp/odt-%1.txt").arg(c.file));
        out.open(QIODevice::WriteOnly);
        out.write(result.text.toUtf8());
    }
    ASSERT_TRUE(result.read()) << result.failure.toStdString();
    const QString reference = TextSimilarity::officeReference(
        corporaFile(QStringLiteral("formats/odt/expected/%1.txt").arg(c.file)), false);
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
    { "odftoolkit_OpenDocument-v1.2", { "Open Document Format for Office Applications" }, {} },
    { "odftoolkit_compdocfileformat", {}, {} },
    { "odftoolkit_bible_short", {}, {} },
    { "odftoolkit_footnote",
      { "A text before footnote[1].", "[i].", "[1] A footnote?", "[i] An endnote?" },
      {} },
    { "odftoolkit_feature_bullets_numbering", {}, {} },
    { "odftoolkit_doc_heading_table", {}, {} },
    { "odftoolkit_WhitespaceTest", {}, {} },
    { "odftoolkit_ContinueListTest", {}, {} },
    { "odftoolkit_sample_numbering_DOC_LO41", {}, {} },
    { "odftoolkit_listsInTable", {}, {} },
    // The deleted word lives only in the change record.
    { "odftoolkit_changeTracked", { "Ich  eine odt-Datei" }, { "bin" } },
    { "odftoolkit__annotation", { "Before annotation**after annotation!" }, { "YEAH" } },
    { "odftoolkit_HeaderFooter", {}, {} },
    { "odftoolkit_Larissa", {}, {} },
    { "odftoolkit_TextLineBreakText", { "12\n34" }, {} },
};

INSTANTIATE_TEST_SUITE_P(Odt, CorpusOdt, testing::ValuesIn(cases), FileParamName());

TEST(OdtReader, PasswordProtectedDocumentSaysSo)
{
    const QString file =
        corporaFile(QStringLiteral("formats/odt/odftoolkit_PasswordProtected.odt"));
    if (file.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    const FormatText result = OdtReader::read(file);
    EXPECT_EQ(result.outcome, FormatText::Outcome::Protected);
    EXPECT_FALSE(result.failure.isEmpty());
    EXPECT_TRUE(result.text.isEmpty());
}

} // namespace
