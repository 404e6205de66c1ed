// OrlinSpeak: speaks a document into a wave file from the command line, the way the
// reader's Read to WAV button does, without a window; or prints what the reader would show
// of it (--text) or the sentences it would speak (--sentences).

#include "base/Failure.h"
#include "base/ProcessServices.h"
#include "base/ProgramInfo.h"
#include "base/SentenceRule.h"
#include "documents/DocumentLoader.h"
#include "platform/RenderWorker.h"
#include "platform/SpeechEngines.h"
#include "speech/AudioFileWriter.h"
#include "speech/SpeechEngine.h"
#include "speech/SpokenForm.h"
#include "speech/VoiceChoice.h"
#include "speech/clsDict.h"
#include "speech/clsStore.h"
#include "speech/clsWavRenderer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

enum Exit { Ok = 0, Failed = 1, Usage = 2, Cancelled = 130 };

int g_interruptPipe[2] = { -1, -1 };

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_interruptPipe[1], &byte, 1);
}

// SIGINT and SIGTERM, turned into a notifier's signal on the event loop.
QSocketNotifier *watchInterrupts(QObject *parent)
{
    if (::pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return new QSocketNotifier(QSocketNotifier::Read, parent);
    struct sigaction action
    {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    return new QSocketNotifier(g_interruptPipe[0], QSocketNotifier::Read, parent);
}

void say(const QString &text)
{
    std::fputs(qPrintable(QStringLiteral("OrlinSpeak: ") + text + QLatin1Char('\n')), stderr);
}

// Text for standard output: UTF-8, as it is.
void print(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

// The sentences a reading of the text would speak, after the pronunciation list, one per
// line: a line end inside a sentence is spoken as a pause and printed as a blank.
QString spokenSentences(const QString &text, const SentenceRule &rule, const clsDict &dict)
{
    QString out;
    for (const clsWavRenderer::Sentence &sentence :
         clsWavRenderer::PrepareSentences(text, &dict, rule)) {
        QString line = sentence.spoken;
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        out += line + QLatin1Char('\n');
    }
    return out;
}

// The document as the reader opens it; nothing (and a line on standard error saying why)
// when it cannot be read.
std::optional<Document> openDocument(const QString &path)
{
    try {
        return DocumentLoader::Load(path);
    } catch (const std::exception &e) {
        const QFileInfo info(path);
        say(info.exists()
                ? QStringLiteral("cannot read %1: %2").arg(path, QString::fromUtf8(e.what()))
                : QStringLiteral("%1 does not exist").arg(path));
    }
    return std::nullopt;
}

// The pronunciation list of Orlin's program folder; a list that cannot be read is said and
// left out, as the reader would read on without it.
void loadPronunciations(clsDict &dict)
{
    try {
        dict.LoadWords();
    } catch (const std::exception &e) {
        say(QStringLiteral("pronunciation list not used: ") + QString::fromUtf8(e.what()));
    }
}

// Why the output cannot be written, or empty when it looks writable. Checked before
// rendering, so a long book is not rendered only to be thrown away.
QString outputProblem(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !QFileInfo(info.canonicalFilePath()).isFile())
        return QStringLiteral("%1 is not a regular file").arg(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    if (!folder.isWritable())
        return QStringLiteral("the folder %1 is not writable").arg(folder.filePath());
    if (info.exists() && !info.isWritable())
        return QStringLiteral("%1 is read-only").arg(path);
    return {};
}

bool intOption(const QCommandLineParser &parser, const QString &name, int low, int high, int *value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    *value = parser.value(name).toInt(&ok);
    if (!ok || *value < low || *value > high) {
        say(QStringLiteral("--%1 must be a number from %2 to %3, not \"%4\"")
                .arg(name)
                .arg(low)
                .arg(high)
                .arg(parser.value(name)));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Started by a parallel rendering of its own to synthesise one share of the text.
    if (const std::optional<int> worker = RenderWorker::runIfAsked(argc, argv))
        return *worker;
    // QTextDocument needs a GUI application for its fonts; without a display the
    // offscreen platform serves.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The reader's name, so a read-only install shares the reader's per-user folder.
    QCoreApplication::setApplicationName(QStringLiteral("Orlin"));
    QCoreApplication::setApplicationVersion(ProgramInfo::versionText());
    // The log, settings and translator the logic writes to, ended (the log last) on return.
    ProcessServices services;

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Speaks a document into an audio file, as Orlin's Read to WAV button does: text,\n"
        "HTML, RTF, EPUB, PDF, Word (.docx), OpenDocument text (.odt) or Markdown (.md).\n"
        "The document is opened as the reader opens it, and the pronunciation\n"
        "list ol1dict.txt of Orlin's program folder is applied. The output's extension names\n"
        "the format: .wav (16-bit PCM mono; RF64 past 4 GB), .flac, .ogg (Vorbis), .opus or\n"
        ".mp3; a name without an extension gets a wave file.\n"
        "Progress goes to standard error. Exit status: 0 done, 1 failure, 2 bad usage,\n"
        "130 interrupted (nothing written).\n"
        "With --text or --sentences only INPUT is given and nothing is spoken: --text prints\n"
        "the text Orlin shows of the document (UTF-8, one LF per line end), --sentences the\n"
        "sentences Orlin would speak, one per line, after the pronunciation list (a line end\n"
        "inside a sentence is printed as a blank)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        { QStringLiteral("voice"),
          QStringLiteral("The voice: ENGINE:NAME (espeak-ng:..., flite:slt), its number N or "
                         "its name, as listed by --list-voices (default 1)."),
          QStringLiteral("VOICE") },
        { QStringLiteral("speed"),
          QStringLiteral("Speed in words per minute, %1 to %2 (default %3).")
              .arg(80)
              .arg(450)
              .arg(175),
          QStringLiteral("WPM") },
        { QStringLiteral("pitch"), QStringLiteral("Pitch from -10 to 10 (default 0)."),
          QStringLiteral("P") },
        { QStringLiteral("srt"),
          QStringLiteral("Also write a timing file OUTPUT.srt: one subtitle per sentence.") },
        { QStringLiteral("jobs"),
          QStringLiteral("Render on N cores at once, in separate processes (default: all %1 "
                         "of this machine). The audio is the same for any N.")
              .arg(QThread::idealThreadCount()),
          QStringLiteral("N") },
        { QStringLiteral("list-voices"), QStringLiteral("List the voices and exit.") },
        { QStringLiteral("text"),
          QStringLiteral("Print the text Orlin shows of INPUT and exit; no OUTPUT.") },
        { QStringLiteral("sentences"),
          QStringLiteral("Print the sentences Orlin would speak of INPUT, in the --voice's "
                         "language, and exit; no OUTPUT.") },
    });
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("The document (.txt, .html, .rtf, ...)."));
    parser.addPositionalArgument(
        QStringLiteral("OUTPUT.wav"),
        QStringLiteral(
            "The audio file to write (replaced whole): .wav, .flac, .ogg, .opus, .mp3."));
    if (!parser.parse(QCoreApplication::arguments())) {
        say(parser.errorText() + QStringLiteral(" (see --help)"));
        return Usage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Ok);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const QStringList args = parser.positionalArguments();
    const bool printText = parser.isSet(QStringLiteral("text"));
    const bool printSentences = parser.isSet(QStringLiteral("sentences"));
    if (printText || printSentences) {
        if (printText == printSentences || args.size() != 1) {
            say(QStringLiteral("--text and --sentences take INPUT only, one of them at a time "
                               "(see --help)"));
            return Usage;
        }
        if (printText) {
            const std::optional<Document> document = openDocument(args.at(0));
            if (!document)
                return Failed;
            print(document->text);
            return Ok;
        }
    }

    // The desktop's voices only when asked to list them: they cannot be written to a file.
    SpeechEngines::install(parser.isSet(QStringLiteral("list-voices"))
                               ? SpeechEngines::SystemVoices::Included
                               : SpeechEngines::SystemVoices::Left);
    RenderWorker::installSelf();
    std::unique_ptr<SpeechEngine> engine;
    try {
        engine = SpeechEngineFactory::create();
        engine->setInitialized(1);
    } catch (const Failure &failure) {
        say(failure.description());
        return Failed;
    }
    if (parser.isSet(QStringLiteral("list-voices"))) {
        std::fputs(qPrintable(VoiceChoice::ListingText(VoiceChoice::List(*engine))), stdout);
        return Ok;
    }

    // --voice takes the same forms whether the voice speaks or only cuts the sentences.
    int voice = 1;
    if (parser.isSet(QStringLiteral("voice"))) {
        QString why;
        voice = VoiceChoice::FromCommandLine(VoiceChoice::List(*engine),
                                             parser.value(QStringLiteral("voice")), &why);
        if (voice == 0) {
            say(QStringLiteral("--voice: ") + why);
            return Usage;
        }
    }
    if (printSentences) {
        const std::optional<Document> document = openDocument(args.at(0));
        if (!document)
            return Failed;
        clsDict dict;
        loadPronunciations(dict);
        print(spokenSentences(document->text,
                              SentenceRule::forLanguage(engine->ModeLanguage(voice)), dict));
        return Ok;
    }
    if (args.size() != 2) {
        say(QStringLiteral("expected INPUT and OUTPUT.wav (see --help)"));
        return Usage;
    }
    int speed = engine->Speed();
    int pitch = 0;
    int jobs = QThread::idealThreadCount();
    if (!intOption(parser, QStringLiteral("jobs"), 1, 64, &jobs)
        || !intOption(parser, QStringLiteral("speed"), 80, 450, &speed)
        || !intOption(parser, QStringLiteral("pitch"), -10, 10, &pitch))
        return Usage;

    const QString input = args.at(0);
    const QString output = args.at(1);
    const QFileInfo inputInfo(input);
    if (!inputInfo.isFile() || !inputInfo.isReadable()) {
        say(inputInfo.exists() ? QStringLiteral("cannot read %1").arg(input)
                               : QStringLiteral("%1 does not exist").arg(input));
        return Failed;
    }
    // An extension Orlin does not write is more likely a slip (the two names swapped) than
    // a wish for a wave file under that name: nothing is written.
    if (!QFileInfo(output).suffix().isEmpty() && !AudioFileWriter::formatForFile(output)) {
        say(QStringLiteral("%1: the extension names no audio format Orlin writes (%2)")
                .arg(output, AudioFileWriter::knownExtensions().join(QStringLiteral(", "))));
        return Usage;
    }
    if (const QString problem = outputProblem(output); !problem.isEmpty()) {
        say(QStringLiteral("cannot write %1: %2").arg(output, problem));
        return Failed;
    }

    const std::optional<Document> document = openDocument(input);
    if (!document)
        return Failed;
    const QString &text = document->text;

    clsDict dict;
    loadPronunciations(dict);

    std::unique_ptr<SpeechRenderer> renderer;
    SentenceRule rule;
    try {
        engine->Select(voice);
        // The voice's language decides which titles end no sentence, as in the reader.
        rule = SentenceRule::forLanguage(engine->ModeLanguage(voice));
        engine->setSpeed(speed);
        engine->setPitch(pitch);
        renderer = engine->CreateRenderer(jobs);
    } catch (const Failure &failure) {
        say(failure.description());
        return Failed;
    }
    if (!renderer) {
        say(QStringLiteral("the speech engine cannot write wave files"));
        return Failed;
    }

    QList<clsWavRenderer::Sentence> sentences = clsWavRenderer::PrepareSentences(text, &dict, rule);
    clsWavRenderer rendering;
    int lastShown = -1;
    QObject::connect(&rendering, &clsWavRenderer::Progress, [&](int done, int total) {
        // About a hundred lines for a book, every sentence for a short text.
        const int step = qMax(1, total / 100);
        if (done / step == lastShown / step && done != total)
            return;
        lastShown = done;
        std::fprintf(stderr, "\rOrlinSpeak: sentence %d of %d", done, total);
        std::fflush(stderr);
    });
    QObject::connect(&rendering, &clsWavRenderer::Finished, &app, &QCoreApplication::quit);
    // Ctrl+C or a termination request cancels: the workers end and no half file stays.
    QSocketNotifier *interrupt = watchInterrupts(&app);
    QObject::connect(interrupt, &QSocketNotifier::activated, &rendering, &clsWavRenderer::Cancel);
    const QString srt =
        parser.isSet(QStringLiteral("srt")) ? clsWavRenderer::TimingFileFor(output) : QString();
    rendering.Start(std::move(renderer), std::move(sentences), output, srt);
    app.exec();
    if (lastShown >= 0)
        std::fputs("\n", stderr);

    if (rendering.outcome() == clsWavRenderer::Outcome::Cancelled) {
        say(QStringLiteral("cancelled: %1 was not written").arg(output));
        return Cancelled;
    }
    if (rendering.outcome() != clsWavRenderer::Outcome::Done) {
        say(QStringLiteral("cannot write %1: %2").arg(output, rendering.errorText()));
        return Failed;
    }
    say(QStringLiteral("wrote %1 (%2 sentences, %3 s of audio)%4")
            .arg(output)
            .arg(rendering.sentenceCount())
            .arg(double(rendering.durationMs()) / 1000.0, 0, 'f', 1)
            .arg(srt.isEmpty() ? QString() : QStringLiteral(" and ") + srt));
    return Ok;
}
