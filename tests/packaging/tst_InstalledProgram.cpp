// Orlin installed as a desktop program: `cmake --install` of this build into a temporary
// prefix gives what a desktop expects (menu entry, metainfo, icons, manual pages) in a form
// their validators accept, and the installed programs, in a folder their user cannot
// write, keep their files in the per-user data folder while finding the language files
// and the sample in the prefix's share/orlin.
#include "base/ProgramInfo.h"
#include "support/InstallTree.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString kAppId = QStringLiteral("org.orlin_reader.Orlin");

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The keys of a desktop entry's main group.
QMap<QString, QString> desktopKeys(const QString &path)
{
    QMap<QString, QString> keys;
    for (const QString &line : readAll(path).split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

class InstalledProgram : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        s_prefix = s_dir->filePath(QStringLiteral("prefix"));
        s_install = InstallTree::run(QStringLiteral("cmake"),
                                     { QStringLiteral("--install"), InstallTree::buildFolder(),
                                       QStringLiteral("--prefix"), s_prefix });
    }

    static void TearDownTestSuite()
    {
        // Write access back, so that an unprivileged run can remove the prefix.
        InstallTree::run(QStringLiteral("chmod"),
                         { QStringLiteral("-R"), QStringLiteral("u+w"), s_dir->path() });
        s_dir.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_install.finished && s_install.exitCode == 0)
            << s_install.output.toStdString();
    }

    static QString installed(const QString &relative) { return QDir(s_prefix).filePath(relative); }

    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline QString s_prefix;
    static inline InstallTree::Outcome s_install;
};

TEST_F(InstalledProgram, DesktopFilesPassTheirValidatorsAndAgreeWithEachOther)
{
    const QString missing = InstallTree::missingTools(
        { QStringLiteral("desktop-file-validate"), QStringLiteral("appstreamcli") });
    if (!missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();

    const QString desktop = installed("share/applications/" + kAppId + ".desktop");
    const QString metainfo = installed("share/metainfo/" + kAppId + ".metainfo.xml");
    for (const QString &file :
         { QStringLiteral("bin/Orlin"), QStringLiteral("bin/OrlinSpeak"),
           QStringLiteral("bin/OrlinUpdater"), QStringLiteral("share/orlin/sample.txt"),
           QStringLiteral("share/orlin/Languages/de.txt"),
           QStringLiteral("share/orlin/Languages/fr.txt"),
           QStringLiteral("share/orlin/Languages/es.txt"),
           QStringLiteral("share/man/man1/Orlin.1.gz"),
           QStringLiteral("share/man/man1/OrlinSpeak.1.gz"),
           QStringLiteral("share/man/man1/OrlinUpdater.1.gz"),
           "share/icons/hicolor/scalable/apps/" + kAppId + ".svg" })
        EXPECT_TRUE(QFile::exists(installed(file))) << file.toStdString();
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        const QString png = installed(
            QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId));
        EXPECT_EQ(QImage(png).size(), QSize(size, size)) << png.toStdString();
    }

    const auto entryCheck = InstallTree::run(QStringLiteral("desktop-file-validate"), { desktop });
    EXPECT_EQ(entryCheck.exitCode, 0) << entryCheck.output.toStdString();
    EXPECT_FALSE(entryCheck.output.contains(QStringLiteral("error:"))
                 || entryCheck.output.contains(QStringLiteral("warning:")))
        << entryCheck.output.toStdString();
    const auto metaCheck =
        InstallTree::run(QStringLiteral("appstreamcli"),
                         { QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo });
    EXPECT_EQ(metaCheck.exitCode, 0) << metaCheck.output.toStdString();

    // The menu entry starts the installed program on the file it is given, for the
    // document types the reader opens, with the icon the theme holds.
    const auto keys = desktopKeys(desktop);
    const QStringList exec = keys.value(QStringLiteral("Exec")).split(QLatin1Char(' '));
    EXPECT_EQ(exec, QStringList({ QStringLiteral("Orlin"), QStringLiteral("%f") }));
    EXPECT_TRUE(QFileInfo(installed("bin/" + exec.value(0))).isExecutable());
    EXPECT_EQ(keys.value(QStringLiteral("Icon")), kAppId);
    const QStringList types = keys.value(QStringLiteral("MimeType")).split(QLatin1Char(';'));
    for (const char *type :
         { "text/plain", "text/html", "application/rtf", "text/rtf", "application/epub+zip",
           "application/pdf",
           "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
           "application/vnd.oasis.opendocument.text", "text/markdown" })
        EXPECT_TRUE(types.contains(QLatin1String(type))) << type;

    // The metainfo names the menu entry, and its newest release is this version.
    QFile meta(metainfo);
    ASSERT_TRUE(meta.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&meta);
    QString id, launchable, newest;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("id"))
            id = xml.readElementText();
        else if (xml.name() == QLatin1String("launchable"))
            launchable = xml.readElementText();
        else if (xml.name() == QLatin1String("release") && newest.isEmpty())
            newest = xml.attributes().value(QLatin1String("version")).toString();
    }
    EXPECT_EQ(id, kAppId);
    EXPECT_EQ(launchable, kAppId + ".desktop");
    EXPECT_EQ(newest, ProgramInfo::versionText());
}

// What `man` shows of each installed page: groff has nothing to warn about, the page has
// the name and one-line description that apropos and whatis read, and the renderer's page
// lists every option its --help lists.
TEST_F(InstalledProgram, ManualPagesRenderCleanlyAndListEveryOption)
{
    const QString missing = InstallTree::missingTools(
        { QStringLiteral("man"), QStringLiteral("groff"), QStringLiteral("lexgrog") });
    if (!missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    const auto run = [](const QString &program, const QStringList &args,
                        const QByteArray &input = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
        return std::tuple(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                          QString::fromUtf8(p.readAllStandardError()));
    };
    const struct
    {
        const char *page;
        const char *name;
    } pages[] = {
        { "Orlin", "Orlin - read documents aloud" },
        { "OrlinSpeak", "OrlinSpeak - speak a document into an audio file" },
        { "OrlinUpdater", "OrlinUpdater - install an update of Orlin" },
    };
    QMap<QString, QString> source;
    for (const auto &page : pages) {
        SCOPED_TRACE(page.page);
        const QString gz = installed(QStringLiteral("share/man/man1/%1.1.gz").arg(page.page));
        const auto [zipped, roff, zipErrors] = run(QStringLiteral("gzip"), { "-dc", gz });
        ASSERT_EQ(zipped, 0) << zipErrors.toStdString();
        EXPECT_FALSE(roff.contains(QStringLiteral("@PROJECT_VERSION@")));
        source[page.page] = roff;
        const auto [groffed, text, groffWarnings] =
            run(QStringLiteral("groff"), { "-ww", "-man", "-Tutf8", "-z" }, roff.toUtf8());
        EXPECT_EQ(groffed, 0);
        EXPECT_EQ(groffWarnings, QString());
        const auto [shown, manText, manWarnings] =
            run(QStringLiteral("man"), { "--warnings", "-l", gz });
        EXPECT_EQ(shown, 0);
        EXPECT_EQ(manWarnings, QString());
        EXPECT_TRUE(manText.contains(QStringLiteral("SEE ALSO")));
        const auto [read, whatis, lexErrors] = run(QStringLiteral("lexgrog"), { gz });
        EXPECT_EQ(read, 0) << lexErrors.toStdString();
        EXPECT_TRUE(whatis.contains(QLatin1String(page.name))) << whatis.toStdString();
    }

    // The long options of OrlinSpeak --help, each written in the page as groff wants a
    // minus ("\-\-voice").
    const auto [helped, help, helpErrors] =
        run(installed(QStringLiteral("bin/OrlinSpeak")), { QStringLiteral("--help") });
    ASSERT_EQ(helped, 0) << helpErrors.toStdString();
    static const QRegularExpression option(QStringLiteral("(?:^|\\s)--([a-z][a-z-]*)"));
    QStringList options;
    for (auto it = option.globalMatch(help); it.hasNext();)
        options << it.next().captured(1);
    options.removeDuplicates();
    EXPECT_GE(options.size(), 8) << help.toStdString();
    for (const QString &name : options) {
        QString written = QStringLiteral("--") + name;
        written.replace(QLatin1Char('-'), QStringLiteral("\\-"));
        EXPECT_TRUE(source.value(QStringLiteral("OrlinSpeak")).contains(written))
            << name.toStdString();
    }
}

TEST_F(InstalledProgram, AReadOnlyInstallKeepsItsFilesInTheUserDataFolder)
{
    const QString missing = InstallTree::missingTools(
        { QStringLiteral("xvfb-run"), QStringLiteral("xdotool"), QStringLiteral("setpriv") });
    if (!missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();

    // Root writes wherever it likes, so as root the programs run as "nobody", for whom
    // the read-only prefix is what it is for any user of an installed program.
    QStringList asUser;
    uid_t uid = ::getuid();
    gid_t gid = ::getgid();
    if (uid == 0) {
        const passwd *nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr) << "no user nobody to run the installed program as";
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
        asUser = { QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(uid),
                   QStringLiteral("--regid=%1").arg(gid), QStringLiteral("--clear-groups"),
                   QStringLiteral("--") };
    }
    const QDir top(s_dir->path());
    ASSERT_TRUE(QFile::setPermissions(top.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::ExeOther));
    for (const char *name : { "home", "data", "runtime", "out" }) {
        ASSERT_TRUE(top.mkpath(QLatin1String(name)));
        ASSERT_EQ(::chown(qPrintable(top.filePath(QLatin1String(name))), uid, gid), 0);
    }
    ASSERT_TRUE(QFile::setPermissions(top.filePath(QStringLiteral("runtime")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QFile document(top.filePath(QStringLiteral("doc.txt")));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("The first sentence is here. The second one follows it.\n");
    document.close();

    const QStringList before = InstallTree::filesUnder(s_prefix);
    const auto chmod = InstallTree::run(QStringLiteral("chmod"),
                                        { QStringLiteral("-R"), QStringLiteral("a-w"), s_prefix });
    ASSERT_EQ(chmod.exitCode, 0) << chmod.output.toStdString();

    // The first start shows the sample (which keeps no bookmark), a start on a document
    // shows that: each is seen by its window title, then ended as the end of a desktop
    // session ends it (SIGTERM, which saves like Quit). The renderer speaks the document
    // in worker processes: itself, started again from the prefix.
    const QString script = QStringLiteral(R"(
set -e
show() { "$ORLIN_PREFIX/bin/Orlin" "$@" & pid=$!; }
quit() {
  timeout 120 xdotool search --sync --onlyvisible --name "$1" >/dev/null
  kill -TERM $pid; wait $pid
}
show; quit '^Orlin - sample\.txt$'
show "$ORLIN_DOC"; quit '^Orlin - doc\.txt$'
"$ORLIN_PREFIX/bin/OrlinSpeak" --jobs 2 "$ORLIN_DOC" "$ORLIN_OUT/doc.wav"
)");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY" })
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("HOME"), top.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), top.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), top.filePath(QStringLiteral("home/.config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), top.filePath(QStringLiteral("home/.cache")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), top.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("ORLIN_PREFIX"), s_prefix);
    env.insert(QStringLiteral("ORLIN_DOC"), document.fileName());
    env.insert(QStringLiteral("ORLIN_OUT"), top.filePath(QStringLiteral("out")));
    // The desktop bus library keeps a buffer to the end; that is not Orlin's leak.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    QStringList command = asUser;
    command << QStringLiteral("xvfb-run") << QStringLiteral("-a") << QStringLiteral("-s")
            << QStringLiteral("-screen 0 1024x768x24") << QStringLiteral("sh")
            << QStringLiteral("-c") << script;
    const auto ran = InstallTree::run(command.takeFirst(), command, env, 240000);
    ASSERT_TRUE(ran.finished && ran.exitCode == 0) << ran.output.toStdString();

    EXPECT_EQ(InstallTree::filesUnder(s_prefix), before) << "the program wrote into its prefix";
    const QDir userData(top.filePath(QStringLiteral("data/Orlin")));
    for (const char *name : { "Orlin.ini", "BookMarks.ini", "log.txt" })
        EXPECT_TRUE(QFileInfo(userData.filePath(QLatin1String(name))).size() > 0) << name;
    const QString bookmarks = readAll(userData.filePath(QStringLiteral("BookMarks.ini")));
    EXPECT_TRUE(bookmarks.contains(QStringLiteral("DOC.TXT,"))) << bookmarks.toStdString();
    const QString log = readAll(userData.filePath(QStringLiteral("log.txt")));
    EXPECT_TRUE(log.contains(QStringLiteral("App path: ") + userData.path())) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Language files: ")
                             + QDir::cleanPath(installed(QStringLiteral("share/orlin/Languages")))
                             + QStringLiteral(" (3)")))
        << log.toStdString();
    EXPECT_GT(QFileInfo(top.filePath(QStringLiteral("out/doc.wav"))).size(), 44);
}

} // namespace
