// The real program in a display server of its own: it is started on a document, the
// caret is put somewhere with a mouse click, and Quit is clicked; started again on the
// same document, it must open it where the user left it. Needs xvfb-run and xdotool.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Places in the window, in pixels from its top-left corner, in the layout the window
// takes at its starting size.
constexpr const char *kStop = "173 356";
constexpr const char *kPause = "133 356";
constexpr const char *kQuit = "584 343";
// The start of the document's third line.
constexpr const char *kThirdLine = "39 86";

QString findUpwards(const QString &relative)
{
    QDir dir(QCoreApplication::applicationDirPath());
    do {
        if (QFile::exists(dir.filePath(relative)))
            return dir.filePath(relative);
    } while (dir.cdUp());
    return {};
}

QString bookmarkLine(const QString &folder)
{
    QFile file(QDir(folder).filePath(QStringLiteral("BookMarks.ini")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

} // namespace

TEST(EndToEnd, QuitSavesTheCaretAndTheNextStartReturnsToIt)
{
    for (const char *tool : { "xvfb-run", "xdotool" }) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    }
    QString bin = qEnvironmentVariable("ORLIN_BIN_DIR");
    if (bin.isEmpty())
        bin = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    const QString built = QDir(bin).filePath(QStringLiteral("Orlin"));
    ASSERT_TRUE(QFile::exists(built)) << "Orlin is not built: " << qPrintable(built);

    // The program's folder is a fresh one, so its log and bookmarks are this run's.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString prog = dir.filePath(QStringLiteral("prog"));
    ASSERT_TRUE(QDir().mkpath(prog));
    ASSERT_TRUE(QFile::copy(built, QDir(prog).filePath(QStringLiteral("Orlin"))));
    QFile document(dir.filePath(QStringLiteral("doc.txt")));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("The first line is here.\nThe second line follows it.\n"
                   "The third line is where the caret goes.\nThe fourth line ends it.\n");
    document.close();

    const QString script = QStringLiteral(R"(
run() { "$1/Orlin" "$2" & pid=$!; win=$(xdotool search --sync --name "Orlin - doc.txt" | head -1); }
click() { xdotool mousemove --window "$win" $1 $2 click 1; sleep 1; }
run "%1" "%2"; sleep 3; click %3; click %4; click %5; wait $pid
cp "%1/BookMarks.ini" "%1/first.ini"
run "%1" "%2"; sleep 1; click %6; click %5; wait $pid
)")
                               .arg(prog, document.fileName(), QString::fromLatin1(kStop),
                                    QString::fromLatin1(kThirdLine), QString::fromLatin1(kQuit),
                                    QString::fromLatin1(kPause));
    QStringList command { QStringLiteral("xvfb-run"),
                          QStringLiteral("-a"),
                          QStringLiteral("-s"),
                          QStringLiteral("-screen 0 1024x768x24"),
                          QStringLiteral("sh"),
                          QStringLiteral("-c"),
                          script };
    // Real audio needs a sound server; the helper starts a silent one when none runs.
    const QString withAudio = findUpwards(QStringLiteral("scripts/with-audio"));
    if (!withAudio.isEmpty())
        command.prepend(withAudio);

    QProcess process;
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    // The desktop bus library keeps a buffer to the end; that is not Orlin's leak.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.takeFirst(), command);
    ASSERT_TRUE(process.waitForFinished(120000)) << "the program did not end";
    const QString output = QString::fromLocal8Bit(process.readAll());
    EXPECT_EQ(process.exitCode(), 0) << output.toStdString();

    QFile first(QDir(prog).filePath(QStringLiteral("first.ini")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly)) << "the first Quit saved no bookmarks\n"
                                                 << output.toStdString();
    const QString firstLine = QString::fromLatin1(first.readAll()).trimmed();
    // The caret sits at the start of the line clicked (the third, but a font with other
    // line heights may put the click on a neighbour).
    const QStringList lineStarts { QStringLiteral("DOC.TXT, 24"), QStringLiteral("DOC.TXT, 52"),
                                   QStringLiteral("DOC.TXT, 92") };
    EXPECT_TRUE(lineStarts.contains(firstLine)) << firstLine.toStdString();
    // Paused at once in its first sentence, the second run leaves the caret where it
    // started: where the first run left it.
    EXPECT_EQ(bookmarkLine(prog), firstLine);

    QFile log(QDir(prog).filePath(QStringLiteral("log.txt")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    QStringList events;
    for (const QString &line : QString::fromLatin1(log.readAll()).split(QStringLiteral("\r\n"))) {
        const qsizetype comma = line.indexOf(QStringLiteral(", "));
        events << (comma < 0 ? line : line.mid(comma + 2)).trimmed();
    }
    ASSERT_GE(events.size(), 7);
    EXPECT_EQ(
        events.mid(0, 7),
        QStringList({ QStringLiteral("Log file created"),
                      QStringLiteral("Operating System: ") + events.value(1).mid(18),
                      QStringLiteral("App: Orlin"), QStringLiteral("Version: 1.0.0"),
                      QStringLiteral("Curdir: ") + dir.path(), QStringLiteral("App path: ") + prog,
                      QStringLiteral("Program startup.  Orlin 1.0.0") }));
    EXPECT_FALSE(events.value(1).mid(18).isEmpty()) << "no system name";
}
