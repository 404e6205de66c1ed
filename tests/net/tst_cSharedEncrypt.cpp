// The scrambled proxy password: its stored form, which other installations read, and
// the round trip the proxy window relies on.
#include "net/cSharedEncrypt.h"

#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "net/cSharedDecrypt.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <gtest/gtest.h>

namespace {

QString shifted(const QByteArray &plain)
{
    QString out;
    for (char c : plain)
        out +=
            CodePage::byteToChar(static_cast<unsigned char>(static_cast<unsigned char>(c) + 100));
    return out;
}

TEST(cSharedEncrypt, StoredFormIsTheEntityFormMovedUpByOneHundred)
{
    TempProgramFolder folder;
    const struct
    {
        QString plain;
        QByteArray entityForm;
    } cases[] = {
        { "secret", "secret" },
        { "pa ss", "pa&nbsp;ss" },
        { "\"q\" <a>", "&quot;q&quot;&nbsp;&lt;a&gt;" },
        { QString::fromUtf8("Grü–é"), "Gr&uuml;&ndash;&eacute;" },
        { "", "" },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.plain.toStdString());
        const QString stored = cSharedEncrypt::instance().Encrypt(k.plain);
        EXPECT_EQ(stored, shifted(k.entityForm));
        EXPECT_EQ(cSharedDecrypt::instance().Decrypt(stored), k.plain);
        if (!stored.isEmpty()) {
            EXPECT_GT(static_cast<unsigned char>(CodePage::charToByte(stored.front())), 128);
        }
    }
}

// What is typed is what is used: every password the form can carry comes back exactly,
// through the settings file as the next start reads it.
TEST(cSharedEncrypt, TrickyPasswordsComeBackExactly)
{
    TempProgramFolder folder;
    const QString passwords[] = {
        "pa&amp;ss",
        "a&lt;b",
        "&nbsp;",
        "&Tab;x",
        "&",
        "&;",
        "&amp",
        "&&lt;&",
        "x&ThisNameIsFarTooLongToBeAnyEntityName;",
        "\tleading tab",
        "\nleading line feed",
        "tab\tinside and \x01 control",
        "\x1f",
        " leading and trailing blank ",
        "   ",
        "\"quoted\" <tag> 'single'",
        "comma, and\r\nline end",
        QString::fromUtf8("straße"),
        QString::fromUtf8("œuvre Ÿ ¢5 café naïve €100 –—"),
        QString::fromUtf8("π≈3.14"),
        QString::fromUtf8("ÿ\u00ad"),
        QString(1, QChar(0x7f)) + "del",
    };
    for (const QString &password : passwords) {
        SCOPED_TRACE(password.toStdString());
        const QString stored = cSharedEncrypt::instance().Encrypt(password);
        Settings().sSet("ProxyPwd", stored);
        ASSERT_TRUE(Settings().SaveSettings(folder.file("Orlin.ini")));
        Settings().LoadSettings(folder.file("Orlin.ini"));
        EXPECT_EQ(cSharedDecrypt::instance().Decrypt(Settings().sGet("ProxyPwd").toString()),
                  password);
        EXPECT_GT(static_cast<unsigned char>(CodePage::charToByte(stored.front())), 128);
        EXPECT_FALSE(password.size() > 2 && stored.contains(password));
    }
}

TEST(cSharedEncrypt, CharactersWithNoWayBackFailLoudly)
{
    TempProgramFolder folder;
    Log().LogEvent("start", true);
    for (const QString &password :
         { QString("a") + QChar(0) + "b", QString::fromUtf8("x\u00a0y"), QString::fromUtf8("łódź"),
           QString::fromUtf8("\u017e"), QString(1, QChar(0x9d)),
           QStringLiteral("\x01"
                          "first"),
           QString::fromUtf8("日本") }) {
        SCOPED_TRACE(password.toStdString());
        try {
            cSharedEncrypt::instance().Encrypt(password);
            ADD_FAILURE() << "scrambled";
        } catch (const Failure &f) {
            EXPECT_EQ(f.code(), 5);
        }
    }
    Log().WriteActionsToLog();
    EXPECT_TRUE(folder.readBytes("log.txt").contains("(5)"));
}

TEST(cSharedDecrypt, PlainAndOddValuesComeBackAsTheyCan)
{
    TempProgramFolder folder;
    const struct
    {
        QString stored;
        QString plain;
    } cases[] = {
        { "", "" },
        // Stored in plain by hand: first character 128 or below.
        { "plain text", "plain text" },
        { "&lt;kept&gt;", "<kept>" },
        // Only blanks after unscrambling: the unscrambled text itself.
        { shifted("  "), "  " },
        // A character 100 or below inside a scrambled value is copied as it is.
        { shifted("ab") + "!", "ab!" },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.stored.toStdString());
        EXPECT_EQ(cSharedDecrypt::instance().Decrypt(k.stored), k.plain);
    }
}

} // namespace
