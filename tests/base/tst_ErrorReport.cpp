#include "base/ErrorReport.h"

#include "base/Failure.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace {

ErrorReport report(const QString &error, const QString &log = QStringLiteral("L"))
{
    ErrorReport r({ "Orlin", "1.2.3", "debian12", 2031, "/home/u/Orlin/log.txt" });
    r.ErrorText = error;
    r.LogText = log;
    return r;
}

const QString BodyStart = QStringLiteral("Error Report: Orlin 1.2.3, debian12 (Please click Attach "
                                         "and add the file log.txt)%0D%0A%0D%0A");

TEST(ErrorReport, MailBodyEscapesOnceAndArrivesIntact)
{
    struct Case
    {
        const char *error;
        const char *escaped;
        // What a mail client reads back, line breaks as CR LF.
        const char *arrives;
    };
    const Case cases[] = {
        { "a&b?c#d%e", "a%26b%3Fc%23d%25e", "a&b?c#d%e" },
        // An escape already in the text is text, escaped like any other "%".
        { "50%3F done", "50%253F done", "50%3F done" },
        { "one\r\ntwo\nthree\rfour", "one%0D%0Atwo%0D%0Athree%0D%0Afour",
          "one\r\ntwo\r\nthree\r\nfour" },
        // An empty line typed in a box (two LFs) stays an empty line.
        { "para\n\nnext", "para%0D%0A%0D%0Anext", "para\r\n\r\nnext" },
        { "blanks stay", "blanks stay", "blanks stay" },
    };
    for (const Case &c : cases) {
        const ErrorReport r = report(QString::fromUtf8(c.error));
        EXPECT_EQ(r.mailBody(), BodyStart + c.escaped + "%0D%0A%0D%0AL") << c.error;
        const QUrlQuery query(QUrl(r.mailUrl()));
        EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded),
                  "Bug Report (Orlin - 1.2.3)");
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
                  "Error Report: Orlin 1.2.3, debian12 (Please click Attach and add the file "
                  "log.txt)\r\n\r\n"
                      + QString::fromUtf8(c.arrives) + "\r\n\r\nL")
            << c.error;
    }
}

TEST(ErrorReport, CommentsOnlyWhenTheBoxWasTouched)
{
    ErrorReport r = report("boom", "log line");
    r.Comments = "text the program put there";
    EXPECT_FALSE(r.mailBody().contains("User:"));
    EXPECT_FALSE(r.fullReport().contains("text the program put there"));

    r.CommentsTouched = true;
    r.Comments = "my words";
    EXPECT_EQ(r.mailBody(), BodyStart + "User: my words%0D%0Aboom%0D%0A%0D%0Alog line");
    EXPECT_TRUE(r.fullReport().endsWith("\r\n\r\nboom\r\n\r\nmy words\r\n\r\nlog line"));
}

TEST(ErrorReport, LongLogCutsTheBodyToExactly400Characters)
{
    const ErrorReport r = report("boom", QString(5000, QLatin1Char('x')));
    const QString body = r.mailBody();
    EXPECT_EQ(body.size(), 400);
    EXPECT_TRUE(body.startsWith(BodyStart + "boom%0D%0A%0D%0Axxx"));
    // Nothing rides along that carries nothing, such as an empty attachment.
    EXPECT_EQ(r.mailUrl(),
              "mailto:bugs2031@orlin-reader.org?subject=Bug%20Report%20(Orlin%20-%201.2.3)&body="
                  + body);
    EXPECT_FALSE(r.subject().contains(' '));
}

// Wherever the limit falls in a log of line breaks and non-Latin text, the body ends on a
// whole escape and a whole character, so the address decodes and nothing is garbled.
TEST(ErrorReport, TheCutNeverSplitsAnEscapeOrACharacter)
{
    for (int shift = 0; shift < 8; ++shift) {
        const QString log =
            QString(shift, QLatin1Char('x')) + QString::fromUtf8("\n\U0001F600\n").repeated(200);
        const QString body = report("boom", log).mailBody();
        SCOPED_TRACE(shift);
        EXPECT_GE(body.size(), ErrorReport::MailBodyLimit - 2);
        EXPECT_LE(body.size(), ErrorReport::MailBodyLimit);
        EXPECT_FALSE(body.back().isHighSurrogate());
        const qsizetype percent = body.lastIndexOf('%');
        EXPECT_LE(percent, body.size() - 3) << body.right(6).toStdString();
        EXPECT_EQ(QUrl::fromPercentEncoding(body.toUtf8()).contains(QChar(0xFFFD)), false);
    }
}

TEST(ErrorReport, FullReportIsBannerHeaderFailureAndLogWithoutFinalLineBreak)
{
    const ErrorReport r = report("Error 76 in SaveSettings", "1 10:00:00, Program startup.\n2 x");
    const QString rule(75, '-');
    EXPECT_EQ(r.fullReport(),
              rule + "\r\n"
                  + "If the 'submit report' button doesn't work on your system, open an email\r\n"
                    "to 'bugs2031@orlin-reader.org' and paste the following text into it.\r\n"
                    "\r\n"
                    "Submitting a bug report helps improve the software.\r\n"
                  + rule
                  + "\r\n\r\n"
                    "Error Report: Orlin 1.2.3, debian12\r\n\r\n"
                    "Error 76 in SaveSettings\r\n\r\n"
                    "1 10:00:00, Program startup.\r\n2 x");
}

TEST(ErrorReport, WritingReplacesAPlantedLinkInsteadOfFollowingIt)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath("victim.txt");
    QFile v(victim);
    ASSERT_TRUE(v.open(QIODevice::WriteOnly));
    v.write("precious");
    v.close();
    QDir(dir.path()).mkdir("reports");
    const QString folder = dir.filePath("reports");
    ASSERT_TRUE(QFile::link(victim, folder + "/FullLog.txt"));

    // Written as UTF-8 like every file of Orlin's: a name in any script survives.
    const ErrorReport r = report(QString::fromUtf8("Война.txt: boom"), QString::fromUtf8("Łódź"));
    EXPECT_EQ(r.writeFullReport(folder), folder + "/FullLog.txt");
    QFile written(folder + "/FullLog.txt");
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_FALSE(QFileInfo(written.fileName()).isSymLink());
    const QByteArray bytes = written.readAll();
    EXPECT_EQ(bytes, r.fullReport().toUtf8());
    EXPECT_TRUE(bytes.contains("Война.txt: boom")) << bytes.toStdString();
    ASSERT_TRUE(v.open(QIODevice::ReadOnly));
    EXPECT_EQ(v.readAll(), QByteArray("precious"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { "FullLog.txt" });

    // A folder that is itself a link is not written into at all.
    ASSERT_TRUE(QFile::link(folder, dir.filePath("linked")));
    EXPECT_THROW(r.writeFullReport(dir.filePath("linked")), Failure);
}

} // namespace
