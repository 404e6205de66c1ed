// The maker's signature on an update package: what verifies and what does not, and that the
// release script's signatures (made by minisign itself) verify here.
#include "net/PackageSignature.h"

#include "base/Seam.h"
#include "support/QStringPrinter.h"
#include "support/UpdateServer.h"
#include "support/UpdateSigning.h"
#include "support/ZipBuilder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

PackageSignature::Verdict verify(const QByteArray &package, const QByteArray &signature)
{
    QBuffer buffer;
    buffer.setData(package);
    buffer.open(QIODevice::ReadOnly);
    return PackageSignature::Verify(buffer, signature);
}

QByteArray replaced(QByteArray text, const QByteArray &from, const QByteArray &to)
{
    return text.replace(from, to);
}

TEST(PackageSignature, OnlyTheTrustedKeysSignatureOnThisPackageVerifies)
{
    const Seam::Override<PackageSignature::TrustedKeysSeam> trust(
        { SigningKey::tests().publicKeyLine() });
    const SigningKey key = SigningKey::tests();
    const QByteArray package = UpdateServer::noise(70000);
    const QByteArray other = UpdateServer::noise(70000, 2);
    const QByteArray good = key.signVersion(package, "1.0.1");
    QByteArray tampered = package;
    tampered[40000] = char(tampered[40000] ^ 1);
    QByteArray legacy = good;
    // The same signature marked as minisign's legacy form (Ed25519 over the whole file).
    const QList<QByteArray> lines = good.split('\n');
    const QByteArray raw = QByteArray::fromBase64(lines.at(1));
    legacy.replace(lines.at(1), (QByteArray("Ed") + raw.mid(2)).toBase64());

    struct Case
    {
        const char *name;
        QByteArray package;
        QByteArray signature;
        const char *version; // null: refused
        const char *reason;
    } cases[] = {
        { "good", package, good, "1.0.1", "" },
        { "CR LF line ends", package, replaced(good, "\n", "\r\n"), "1.0.1", "" },
        { "package changed", tampered, good, nullptr, "does not match its signature" },
        { "signature of another file", package, key.signVersion(other, "1.0.1"), nullptr,
          "does not match its signature" },
        { "another key", package, SigningKey::stranger().signVersion(package, "1.0.1"), nullptr,
          "unknown key" },
        { "trusted comment edited", package, replaced(good, "version=1.0.1", "version=9.9.9"),
          nullptr, "trusted comment is not the one signed" },
        { "no version", package, key.sign(package, "orlin-update file=OrlinUpd.zip"), nullptr,
          "names no version" },
        { "another product", package, key.sign(package, "other-update version=1.0.1"), nullptr,
          "names no version" },
        { "legacy form", package, legacy, nullptr, "no minisign signature" },
        { "cut short", package, lines.mid(0, 3).join('\n'), nullptr, "no minisign signature" },
        { "empty", package, {}, nullptr, "no minisign signature" },
        { "too large", package, good + QByteArray(5000, '\n'), nullptr, "no minisign signature" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const PackageSignature::Verdict verdict = verify(c.package, c.signature);
        EXPECT_EQ(verdict.good, c.version != nullptr) << verdict.reason.toStdString();
        if (c.version)
            EXPECT_EQ(verdict.version, QString::fromLatin1(c.version));
        else
            EXPECT_TRUE(verdict.reason.contains(QLatin1String(c.reason)))
                << verdict.reason.toStdString();
    }
}

// Without a seam only the maker's own key is trusted: the tests' key is not.
TEST(PackageSignature, TheReleasedProgramTrustsOnlyTheMakersKey)
{
    const QByteArray package = UpdateServer::noise(1000);
    const PackageSignature::Verdict verdict =
        verify(package, SigningKey::tests().signVersion(package, "1.0.1"));
    EXPECT_FALSE(verdict.good);
    EXPECT_TRUE(verdict.reason.contains("unknown key"));
    ASSERT_EQ(PackageSignature::TrustedKeys().size(), 1);
}

// scripts/sign-release with a key minisign made: the version is what the packaged program
// says, and the signature verifies here as that version.
TEST(PackageSignature, TheReleaseScriptsSignatureVerifies)
{
    for (const char *tool : { "minisign", "unzip" }) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    }
    QTemporaryDir dir;
    const auto run = [&](const QString &program, const QStringList &arguments) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, arguments);
        EXPECT_TRUE(p.waitForFinished(60000));
        const QByteArray output = p.readAll();
        EXPECT_EQ(p.exitCode(), 0) << output.constData();
        return output;
    };
    run("minisign", { "-G", "-W", "-p", "maker.pub", "-s", "maker.key" });
    const QString package = dir.filePath("OrlinUpd102.zip");
    ASSERT_TRUE(writeZip(
        package,
        { { "Orlin-1.0.2/", {}, ZipItem::Folder },
          { "Orlin-1.0.2/Orlin", "#!/bin/sh\n[ \"$1\" = --version ] && echo 'Orlin 1.0.2'\n" },
          { "Orlin-1.0.2/notes.txt", UpdateServer::noise(30000) } }));
    run(qEnvironmentVariable("ORLIN_SOURCE_DIR") + "/scripts/sign-release",
        { package, dir.filePath("maker.key") });

    QFile pub(dir.filePath("maker.pub"));
    ASSERT_TRUE(pub.open(QIODevice::ReadOnly));
    const Seam::Override<PackageSignature::TrustedKeysSeam> trust(
        { pub.readAll().split('\n').value(1) });
    QFile signature(package + ".minisig");
    QFile zip(package);
    ASSERT_TRUE(signature.open(QIODevice::ReadOnly));
    ASSERT_TRUE(zip.open(QIODevice::ReadOnly));
    const PackageSignature::Verdict verdict = PackageSignature::Verify(zip, signature.readAll());
    EXPECT_TRUE(verdict.good) << verdict.reason.toStdString();
    EXPECT_EQ(verdict.version, "1.0.2");

    QFile versionFile(dir.filePath("ORL1_current.txt"));
    ASSERT_TRUE(versionFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = versionFile.readAll().split('\n');
    EXPECT_EQ(lines.value(0), "1.0.2");
    EXPECT_EQ(lines.value(1), "https://orlin-reader.org/downloads/OrlinUpd102.zip");
    EXPECT_TRUE(lines.value(2).startsWith("sha256="));
}

} // namespace
