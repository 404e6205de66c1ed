// OrlinSpeak end to end: the built program, copied into a folder of its own (a portable
// install, so that folder is its program folder), run on real documents.
#include "documents/DocumentLoader.h"
#include "support/Corpora.h"
#include "support/QStringPrinter.h"
#include "support/SrtFile.h"
#include "support/WavFile.h"
#include "ui/RichTextBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

class OrlinSpeakTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The build's bin/ sits beside the tests' folder when the environment names none.
        QString bin = qEnvironmentVariable("ORLIN_BIN_DIR");
        if (bin.isEmpty())
            bin = QCoreApplication::applicationDirPath() + "/../bin";
        const QString built = QDir(bin).filePath("OrlinSpeak");
        ASSERT_TRUE(QFile::exists(built)) << "OrlinSpeak is not built: " << qPrintable(built);
        program = dir.filePath("OrlinSpeak");
        ASSERT_TRUE(QFile::copy(built, program));
    }

    Outcome run(const QStringList &args)
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(120000));
        return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                 QString::fromUtf8(p.readAllStandardOutput()),
                 QString::fromLocal8Bit(p.readAllStandardError()) };
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    static QStringList textsOf(const QList<SrtEntry> &entries)
    {
        QStringList texts;
        for (const SrtEntry &e : entries)
            texts.append(e.text);
        return texts;
    }

    QTemporaryDir dir;
    QString program;
};

TEST_F(OrlinSpeakTest, RendersTextHtmlAndRtfAsTheReaderShowsThem)
{
    const struct
    {
        const char *name;
        QByteArray content;
        QStringList sentences;
    } cases[] = {
        { "plain.txt",
          "Good morning. How are you?\r\nFine, thanks!",
          { "Good morning.", "How are you?", "Fine, thanks!" } },
        { "page.html",
          "<html><head><title>T</title></head><body><p>First <b>bold</b> line.</p>"
          "<p>Caf&eacute; second.</p></body></html>",
          {} },
        { "doc.rtf",
          "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Rich {\\b text} here.\\par Caf\\'e9 next.}",
          { "Rich text here.", QString::fromUtf8("Café next.") } },
    };
    for (const auto &c : cases) {
        const QString input = write(c.name, c.content);
        const QString wav = dir.filePath(QString::fromUtf8(c.name) + ".wav");
        const Outcome r = run({ "--srt", input, wav });
        ASSERT_EQ(r.exitCode, 0) << c.name << ": " << qPrintable(r.err);
        EXPECT_TRUE(r.err.contains("sentence")) << "progress on standard error";
        const WavFile file = WavFile::read(wav);
        ASSERT_TRUE(file.valid) << c.name << ": " << qPrintable(file.problem);
        EXPECT_GT(file.seconds(), 0.5) << c.name;
        EXPECT_GT(file.peak(), 2000) << c.name;

        const QList<SrtEntry> entries = readSrt(QString(wav).replace(".wav", ".srt"));
        ASSERT_FALSE(entries.isEmpty()) << c.name;
        EXPECT_NEAR(double(entries.last().endMs), file.seconds() * 1000, 1.0);
        if (!c.sentences.isEmpty()) {
            EXPECT_EQ(textsOf(entries), c.sentences) << c.name;
        } else {
            // HTML: markup gone, entities decoded, emphasis shown as the reader shows it.
            const QString all = textsOf(entries).join(' ');
            EXPECT_FALSE(all.contains("<p>")) << qPrintable(all);
            EXPECT_TRUE(all.contains("<emph>bold</emph>")) << qPrintable(all);
            EXPECT_TRUE(all.contains(QString::fromUtf8("Café second."))) << qPrintable(all);
        }
    }
}

// The voice's language decides where sentences end, as in the reader: "Hr." before a name
// ends one for the English default voice, not for a German voice.
TEST_F(OrlinSpeakTest, TheVoicesLanguageCutsTheSentences)
{
    QString german;
    QString germanId;
    for (const QString &line : run({ "--list-voices" }).out.split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 3 && fields[2] == "de") {
            german = fields[0];
            germanId = fields[1];
        }
    }
    if (german.isEmpty())
        GTEST_SKIP() << "espeak-ng has no German voice here";
    const QString input = write("de.txt", "Hr. Meier traf Dr. Weber. Er ging.");
    const struct
    {
        QStringList options;
        QStringList sentences;
    } cases[] = {
        { {}, { "Hr.", "Meier traf Dr. Weber.", "Er ging." } },
        { { "--voice", german }, { "Hr. Meier traf Dr. Weber.", "Er ging." } },
    };
    for (const auto &c : cases) {
        const Outcome r = run(c.options + QStringList { "--srt", input, dir.filePath("de.wav") });
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
        EXPECT_EQ(textsOf(readSrt(dir.filePath("de.srt"))), c.sentences)
            << qPrintable(c.options.join(' '));
    }
    // --sentences takes the voice in the same forms as a rendering.
    for (const QString &voice : { german, germanId }) {
        const Outcome r = run({ "--sentences", "--voice", voice, input });
        ASSERT_EQ(r.exitCode, 0) << qPrintable(voice) << ": " << qPrintable(r.err);
        EXPECT_EQ(r.out.count('\n'), 2) << qPrintable(voice) << ": " << qPrintable(r.out);
    }
}

TEST_F(OrlinSpeakTest, OptionsAndThePronunciationListShapeTheAudio)
{
    const QString input = write("in.txt", "Orlin reads aloud to you every day.");
    auto seconds = [&](const QStringList &options) {
        QStringList args = options;
        args << input << dir.filePath("o.wav");
        const Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
        return WavFile::read(dir.filePath("o.wav")).seconds();
    };
    const double normal = seconds({});
    EXPECT_FALSE(QFile::exists(dir.filePath("o.srt"))) << "no timing file unless asked";
    EXPECT_GT(seconds({ "--speed", "100" }), normal * 1.4);
    EXPECT_LT(seconds({ "--speed", "400" }), normal * 0.7);
    EXPECT_GT(seconds({ "--pitch", "10" }), 0.5);

    write("ol1dict.txt", "Orlin,the reader called Orlin of the north\r\n");
    EXPECT_GT(seconds({}), normal + 0.8) << "the program folder's list is applied";
}

TEST_F(OrlinSpeakTest, ClearMessagesAndExitCodesForMistakes)
{
    const QString input = write("in.txt", "Hello.");
    const QString existing = write("keep.wav", "old wave");
    QDir(dir.path()).mkdir("folder");
    const struct
    {
        const char *why;
        QStringList args;
        int exitCode;
        const char *message;
    } cases[] = {
        { "missing input",
          { dir.filePath("nothing.txt"), dir.filePath("o.wav") },
          1,
          "does not exist" },
        { "output folder missing", { input, dir.filePath("no/such/o.wav") }, 1, "cannot write" },
        { "output is a folder", { input, dir.filePath("folder") }, 1, "not a regular file" },
        { "bad speed", { "--speed", "5", input, dir.filePath("o.wav") }, 2, "--speed" },
        { "speed not a number", { "--speed", "fast", input, dir.filePath("o.wav") }, 2, "--speed" },
        { "bad voice", { "--voice", "0", input, dir.filePath("o.wav") }, 2, "--voice" },
        { "bad pitch", { "--pitch", "11", input, dir.filePath("o.wav") }, 2, "--pitch" },
        { "unknown option", { "--loud", input, dir.filePath("o.wav") }, 2, "loud" },
        { "one argument", { input }, 2, "INPUT and OUTPUT" },
        { "unknown extension", { input, dir.filePath("o.txt") }, 2, "no audio format" },
        { "bad option keeps an existing file", { "--pitch", "x", input, existing }, 2, "--pitch" },
    };
    for (const auto &c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.why << ": " << qPrintable(r.err);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message)))
            << c.why << ": " << qPrintable(r.err);
        EXPECT_FALSE(QFile::exists(dir.filePath("o.wav"))) << c.why;
    }
    QFile keep(existing);
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), QByteArray("old wave"));
}

// What a player sees: each format checked by ffprobe (not by the library that wrote it)
// for its codec, its rate and a duration within 1% of the wave rendering's.
TEST_F(OrlinSpeakTest, EachFormatPlaysAsLongAsTheWaveRendering)
{
    if (QStandardPaths::findExecutable("ffprobe").isEmpty())
        GTEST_SKIP() << "ffprobe is not installed (scripts/install-deps)";
    const QString input = write("book.txt",
                                QByteArray("It was a bright cold day in April. The clocks were "
                                           "striking thirteen! Winston hurried home, his chin "
                                           "nuzzled into his breast. ")
                                    .repeated(4));
    auto probe = [](const QString &file) {
        QProcess p;
        p.start("ffprobe",
                { "-v", "error", "-show_entries",
                  "format=format_name,duration:stream=codec_name,sample_rate", "-of",
                  "default=noprint_wrappers=1", file });
        p.waitForFinished(30000);
        QMap<QString, QString> values;
        for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                values[line.left(eq)] = line.mid(eq + 1).trimmed();
        }
        return values;
    };
    const struct
    {
        const char *extension;
        const char *container;
        const char *codec;
        const char *rate;
    } cases[] = {
        { "wav", "wav", "pcm_s16le", "22050" }, { "flac", "flac", "flac", "22050" },
        { "ogg", "ogg", "vorbis", "22050" },    { "opus", "ogg", "opus", "48000" },
        { "mp3", "mp3", "mp3", "16000" },
    };
    double waveSeconds = 0;
    for (const auto &c : cases) {
        const QString out = dir.filePath(QStringLiteral("book.") + c.extension);
        const Outcome r = run({ "--srt", input, out });
        ASSERT_EQ(r.exitCode, 0) << c.extension << ": " << qPrintable(r.err);
        const auto info = probe(out);
        EXPECT_EQ(info.value("format_name"), c.container) << c.extension;
        EXPECT_EQ(info.value("codec_name"), c.codec) << c.extension;
        // Opus always decodes at 48 kHz; the stream itself is coded from 24 kHz.
        EXPECT_EQ(info.value("sample_rate"), c.rate) << c.extension;
        const double seconds = info.value("duration").toDouble();
        if (waveSeconds == 0)
            waveSeconds = seconds;
        EXPECT_GT(seconds, 10.0) << c.extension;
        EXPECT_NEAR(seconds, waveSeconds, waveSeconds * 0.01) << c.extension;
        // Every format gets its timing file, covering the same audio.
        const QList<SrtEntry> entries = readSrt(dir.filePath("book.srt"));
        ASSERT_EQ(entries.size(), 12) << c.extension;
        EXPECT_NEAR(entries.last().endMs / 1000.0, waveSeconds, 0.01) << c.extension;
        QFile::remove(dir.filePath("book.srt"));
    }
}

// Every process started under `pid`, found through the parent of each in /proc.
QList<qint64> descendants(qint64 pid)
{
    QMultiMap<qint64, qint64> children;
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 child = entry.toLongLong(&number);
        QFile stat("/proc/" + entry + "/stat");
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // "pid (name) state ppid ...": the name may hold blanks, so count from its end.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children.insert(fields[1].toLongLong(), child);
    }
    QList<qint64> all;
    QList<qint64> open { pid };
    while (!open.isEmpty()) {
        const QList<qint64> found = children.values(open.takeFirst());
        all += found;
        open += found;
    }
    return all;
}

bool alive(qint64 pid)
{
    // A zombie still has its /proc entry: look at its state.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) != "Z";
}

QString sentences(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("Sentence number %1 tells of ships, kings and the sea. ").arg(i);
    return text;
}

// The text is cut into parts rendered side by side; joined, they must be the one-job
// rendering exactly: every sample, every timing.
TEST_F(OrlinSpeakTest, OneJobAndTwoJobsWriteTheSameFile)
{
    const QString input = write("book.txt", sentences(250).toUtf8());
    QByteArray wave[2], timings[2];
    for (int jobs : { 1, 2 }) {
        const QString out = dir.filePath(QStringLiteral("jobs%1.wav").arg(jobs));
        const Outcome r = run({ "--jobs", QString::number(jobs), "--srt", input, out });
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
        QFile w(out), t(dir.filePath(QStringLiteral("jobs%1.srt").arg(jobs)));
        ASSERT_TRUE(w.open(QIODevice::ReadOnly) && t.open(QIODevice::ReadOnly));
        wave[jobs - 1] = w.readAll();
        timings[jobs - 1] = t.readAll();
    }
    EXPECT_GT(wave[0].size(), 22050 * 2 * 60) << "more than a minute, several parts";
    EXPECT_TRUE(wave[0] == wave[1]) << "the samples differ";
    EXPECT_EQ(timings[0], timings[1]);
    const QList<SrtEntry> entries = readSrt(dir.filePath("jobs2.srt"));
    ASSERT_EQ(entries.size(), 250);
    for (int i = 1; i < entries.size(); ++i)
        ASSERT_EQ(entries[i].startMs, entries[i - 1].endMs) << "offsets run on across parts";
}

// A worker killed mid-book fails the rendering with a message that says so, and nothing
// of the file is left; an interrupt cancels and ends every worker.
TEST_F(OrlinSpeakTest, ADeadWorkerOrAnInterruptLeavesNoFileAndNoWorker)
{
    const QString input = write("long.txt", sentences(3000).toUtf8());
    for (const bool interrupt : { false, true }) {
        const QString out = dir.filePath("long.mp3");
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(program, { "--jobs", "2", input, out });
        ASSERT_TRUE(p.waitForStarted());
        p.setReadChannel(QProcess::StandardError);
        QByteArray err;
        while (!err.contains("sentence") && p.waitForReadyRead(60000))
            err += p.readAllStandardError();
        ASSERT_TRUE(err.contains("sentence")) << err.constData();
        QList<qint64> workers = descendants(p.processId());
        ASSERT_GE(workers.size(), 2) << "two workers, each with its part's process";
        if (interrupt)
            ::kill(pid_t(p.processId()), SIGINT);
        else
            ::kill(pid_t(workers.first()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(60000));
        err += p.readAllStandardError();
        if (interrupt) {
            EXPECT_EQ(p.exitCode(), 130) << err.constData();
            EXPECT_TRUE(err.contains("cancelled")) << err.constData();
        } else {
            EXPECT_EQ(p.exitCode(), 1) << err.constData();
            EXPECT_TRUE(err.contains("ended unexpectedly")) << err.constData();
        }
        EXPECT_FALSE(QFile::exists(out));
        EXPECT_EQ(QDir(dir.path()).entryList({ "*.mp3*", "*long*.srt" }, QDir::Files),
                  QStringList());
        for (qint64 worker : workers)
            EXPECT_FALSE(alive(worker)) << "worker " << worker << " still runs";
    }
}

// --text prints what the reader's view shows of a document, character for character: every
// document of the shared RTF, HTML and text corpora, against a view that opened it.
TEST_F(OrlinSpeakTest, TextIsWhatTheViewShowsForEveryCorpusDocument)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    QStringList files;
    for (const char *folder : { "rtf", "html_to_text", "gutenberg_books" }) {
        QDirIterator it(corporaFolder() + QLatin1Char('/') + QLatin1String(folder),
                        { "*.rtf", "*.html", "*.htm", "*.txt" }, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    ASSERT_GT(files.size(), 100);
    files.sort();
    int compared = 0;
    for (const QString &file : std::as_const(files)) {
        const Outcome r = run({ "--text", file });
        RichTextBox view;
        try {
            view.showDocument(DocumentLoader::Load(file));
        } catch (const std::exception &) {
            EXPECT_NE(r.exitCode, 0) << qPrintable(file) << " opened by OrlinSpeak only";
            continue;
        }
        ASSERT_EQ(r.exitCode, 0) << qPrintable(file) << ": " << qPrintable(r.err);
        if (r.out != view.Text()) {
            qsizetype at = 0;
            while (at < r.out.size() && at < view.Text().size() && r.out[at] == view.Text()[at])
                ++at;
            ADD_FAILURE() << qPrintable(file) << " differs at " << at << ": printed \""
                          << qPrintable(r.out.mid(at, 40)) << "\", shown \""
                          << qPrintable(view.Text().mid(at, 40)) << '"';
        }
        ++compared;
    }
    EXPECT_EQ(compared, files.size());
}

// One document of each new format: --text prints what the reader shows of it, --sentences
// starts with its first words, a damaged one fails with the reader's message; the help names
// the formats.
TEST_F(OrlinSpeakTest, EveryDocumentFormatIsPrintedAsTheReaderShowsIt)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    const std::pair<const char *, const char *> files[] = {
        { "formats/epub/bmaupin-minimal-v2.epub", "Section 1" },
        { "formats/pdf/copy_paste_ligatures.pdf", "abcdef" },
        { "formats/docx/mammoth_simple-list.docx", "Apple" },
        { "formats/odt/odftoolkit_footnote.odt", "A text before footnote" },
        { "formats/markdown/commonmark-README.md", "CommonMark" },
    };
    for (const auto &[relative, starts] : files) {
        const QString file = corporaFile(QString::fromLatin1(relative));
        const Outcome text = run({ "--text", file });
        ASSERT_EQ(text.exitCode, 0) << relative << ": " << qPrintable(text.err);
        RichTextBox view;
        view.showDocument(DocumentLoader::Load(file));
        EXPECT_EQ(text.out, view.Text()) << relative;
        EXPECT_TRUE(text.out.startsWith(QString::fromUtf8(starts))) << relative;
        const Outcome sentences = run({ "--sentences", file });
        ASSERT_EQ(sentences.exitCode, 0) << relative << ": " << qPrintable(sentences.err);
        EXPECT_FALSE(sentences.out.trimmed().isEmpty()) << relative;

        QFile whole(file);
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        const QString extension = QString::fromLatin1(relative).section(QLatin1Char('.'), -1);
        if (extension == QLatin1String("md"))
            continue; // any bytes are Markdown
        const QString cut = write("cut." + extension, whole.read(whole.size() / 3));
        const Outcome damaged = run({ "--text", cut });
        EXPECT_EQ(damaged.exitCode, 1) << relative;
        EXPECT_TRUE(damaged.out.isEmpty()) << relative;
        EXPECT_TRUE(damaged.err.contains("damaged") || damaged.err.contains("no text"))
            << relative << ": " << qPrintable(damaged.err);
    }
    const Outcome help = run({ "--help" });
    for (const char *format : { "EPUB", "PDF", ".docx", ".odt", "Markdown" })
        EXPECT_TRUE(help.out.contains(QString::fromLatin1(format))) << format;
}

// --sentences prints what the voice would be given, sentence by sentence: cleaned and through
// the program folder's pronunciation list, one a line.
TEST_F(OrlinSpeakTest, SentencesArePrintedAsTheyWouldBeSpoken)
{
    write("ol1dict.txt", "Dr,Doctor\r\n");
    const QString input = write("in.html",
                                "<p>Dr Who: here; there.</p><p>Next\nline \xe2\x80\x94 "
                                "on. Hr. Weber kam.</p>");
    const Outcome r = run({ "--sentences", input });
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    // As the voice gets it: the pronunciation list's matching leaves a blank before each.
    EXPECT_EQ(r.out,
              QStringLiteral(" Doctor Who      here      there.\n Next line   on.\n Hr.\n"
                             " Weber kam.\n"));
    const Outcome text = run({ "--text", input });
    EXPECT_EQ(text.out,
              QString::fromUtf8("Dr Who: here; there.\n\nNext\nline \xe2\x80\x94 on. Hr. "
                                "Weber kam."));
    // Misuse: both at once, or an output besides.
    for (const QStringList &args : { QStringList { "--text", "--sentences", input },
                                     QStringList { "--text", input, dir.filePath("o.wav") } }) {
        const Outcome wrong = run(args);
        EXPECT_EQ(wrong.exitCode, 2) << qPrintable(args.join(' '));
        EXPECT_TRUE(wrong.out.isEmpty());
    }
    const Outcome missing = run({ "--text", dir.filePath("none.txt") });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("does not exist")) << qPrintable(missing.err);
}

// Voices of every engine that can write a file, named by engine and name or, as before,
// by their number; the desktop's voices are refused with the reason.
TEST_F(OrlinSpeakTest, VoicesAreNamedByEngineAndNameOrNumber)
{
    QMap<QString, QString> numberOf;
    QStringList engines;
    for (const QString &line : run({ "--list-voices" }).out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('\t');
        ASSERT_GE(fields.size(), 3) << qPrintable(line);
        numberOf[fields[1]] = fields[0];
        const QString engine = fields[1].section(':', 0, 0);
        if (!engines.contains(engine))
            engines << engine;
    }
    EXPECT_EQ(engines.mid(0, 2), QStringList({ "espeak-ng", "flite" }));
    for (const char *voice : { "flite:kal", "flite:kal16", "flite:awb", "flite:rms", "flite:slt" })
        EXPECT_TRUE(numberOf.contains(voice)) << voice;

    const QString input = write("in.txt", "Flite reads this. And this too.");
    QList<WavFile> files;
    for (const QString &voice : { QStringLiteral("flite:slt"), numberOf.value("flite:slt") }) {
        const Outcome r = run({ "--voice", voice, input, dir.filePath("slt.wav") });
        ASSERT_EQ(r.exitCode, 0) << qPrintable(voice) << ": " << qPrintable(r.err);
        files << WavFile::read(dir.filePath("slt.wav"));
        ASSERT_TRUE(files.back().valid) << qPrintable(files.back().problem);
        EXPECT_EQ(files.back().sampleRate, 16000);
        EXPECT_GT(files.back().seconds(), 1.0);
        EXPECT_LT(files.back().seconds(), 6.0);
    }
    EXPECT_TRUE(files[0].samples == files[1].samples) << "the number names another voice";

    const Outcome system =
        run({ "--voice", "speech-dispatcher:espeak-ng/English", input, dir.filePath("no.wav") });
    EXPECT_EQ(system.exitCode, 2);
    EXPECT_TRUE(system.err.contains("cannot be written to a file")) << qPrintable(system.err);
    EXPECT_FALSE(QFile::exists(dir.filePath("no.wav")));
}

TEST_F(OrlinSpeakTest, HelpDocumentsTheOptions)
{
    const Outcome r = run({ "--help" });
    EXPECT_EQ(r.exitCode, 0);
    for (const char *word : { "--voice", "--speed", "--pitch", "--srt", "--text", "--sentences",
                              "INPUT", "OUTPUT.wav" })
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(word))) << word;
    const Outcome voices = run({ "--list-voices" });
    EXPECT_EQ(voices.exitCode, 0);
    EXPECT_TRUE(voices.out.startsWith("1\t")) << qPrintable(voices.out);
}

} // namespace
