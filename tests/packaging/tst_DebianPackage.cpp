// The Debian package as CPack makes it from this build: what it installs, and the
// packages it depends on, which must all exist in Debian 12. (scripts/package makes the
// one to ship from a Release build; this one carries the test build's programs.)
#include "base/ProgramInfo.h"
#include "support/InstallTree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList fieldNames(const QString &field)
{
    // "libc6 (>= 2.34), a | b" -> "libc6", "a | b"
    QStringList names;
    for (const QString &item : field.split(QLatin1Char(','), Qt::SkipEmptyParts))
        names << item.section(QLatin1Char('('), 0, 0).trimmed();
    return names;
}

TEST(DebianPackage, HoldsTheProgramsTheirFilesAndTheirDependencies)
{
    const QString missing =
        InstallTree::missingTools({ QStringLiteral("cpack"), QStringLiteral("dpkg-deb"),
                                    QStringLiteral("dpkg-shlibdeps"), QStringLiteral("file") });
    if (!missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto made = InstallTree::run(
        QStringLiteral("cpack"),
        { QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
          QDir(InstallTree::buildFolder()).filePath(QStringLiteral("CPackConfig.cmake")),
          QStringLiteral("-B"), dir.path() });
    ASSERT_TRUE(made.finished && made.exitCode == 0) << made.output.toStdString();
    const QString version = ProgramInfo::versionText() + QStringLiteral("-1");
    const QStringList debs = QDir(dir.path()).entryList({ QStringLiteral("orlin_*.deb") });
    ASSERT_EQ(debs.size(), 1) << made.output.toStdString();
    EXPECT_TRUE(debs.first().startsWith(QStringLiteral("orlin_%1_").arg(version)))
        << debs.first().toStdString();
    const QString deb = QDir(dir.path()).filePath(debs.first());

    const auto listing =
        InstallTree::run(QStringLiteral("dpkg-deb"), { QStringLiteral("-c"), deb });
    ASSERT_EQ(listing.exitCode, 0) << listing.output.toStdString();
    QStringList paths;
    for (const QString &line : listing.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        paths << line.section(QLatin1Char(' '), -1);
    const QString app = QStringLiteral("org.orlin_reader.Orlin");
    for (const QString &path :
         { QStringLiteral("./usr/bin/Orlin"), QStringLiteral("./usr/bin/OrlinSpeak"),
           QStringLiteral("./usr/bin/OrlinUpdater"), QStringLiteral("./usr/share/orlin/sample.txt"),
           QStringLiteral("./usr/share/orlin/Languages/de.txt"),
           QStringLiteral("./usr/share/man/man1/Orlin.1.gz"),
           QStringLiteral("./usr/share/man/man1/OrlinSpeak.1.gz"),
           QStringLiteral("./usr/share/man/man1/OrlinUpdater.1.gz"),
           "./usr/share/applications/" + app + ".desktop",
           "./usr/share/metainfo/" + app + ".metainfo.xml",
           "./usr/share/icons/hicolor/scalable/apps/" + app + ".svg",
           "./usr/share/icons/hicolor/48x48/apps/" + app + ".png" })
        EXPECT_TRUE(paths.contains(path)) << path.toStdString() << "\n"
                                          << listing.output.toStdString();
    // Only the prefix: nothing of the build or of the tests.
    for (const QString &path : paths)
        EXPECT_TRUE(path.startsWith(QStringLiteral("./usr/"))) << path.toStdString();

    const auto field = [&](const char *name) {
        const auto out = InstallTree::run(QStringLiteral("dpkg-deb"),
                                          { QStringLiteral("-f"), deb, QLatin1String(name) });
        EXPECT_EQ(out.exitCode, 0) << out.output.toStdString();
        return out.output.simplified();
    };
    EXPECT_EQ(field("Package"), QStringLiteral("orlin"));
    EXPECT_EQ(field("Version"), version);
    // dpkg-shlibdeps names the linked libraries; the list adds what is loaded at run time.
    const QStringList depends = fieldNames(field("Depends"));
    for (const char *name : { "libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6",
                              "libqt6multimedia6", "libespeak-ng1", "libcurl4", "libzip4",
                              "libproxy1v5", "espeak-ng-data", "qt6-qpa-plugins" })
        EXPECT_TRUE(depends.contains(QLatin1String(name)))
            << name << " in " << depends.join(", ").toStdString();
    EXPECT_TRUE(fieldNames(field("Recommends")).contains(QStringLiteral("qt6-translations-l10n")));

    // On a machine with Debian's package lists, apt resolves the package as on a system
    // with nothing installed: every dependency exists in the release.
    if (InstallTree::run(QStringLiteral("apt-cache"),
                         { QStringLiteral("show"), QStringLiteral("libqt6widgets6") })
            .exitCode
        == 0) {
        QFile empty(dir.filePath(QStringLiteral("status")));
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        empty.close();
        const auto resolved = InstallTree::run(
            QStringLiteral("apt-get"),
            { QStringLiteral("install"), QStringLiteral("--simulate"), QStringLiteral("-o"),
              QStringLiteral("Dir::State::status=") + empty.fileName(), deb });
        EXPECT_EQ(resolved.exitCode, 0) << resolved.output.toStdString();
        EXPECT_TRUE(resolved.output.contains(QStringLiteral("Inst orlin ")))
            << resolved.output.toStdString();
    }
}

} // namespace
