#include "app/SpeakToWav.h"

#include "base/Failure.h"
#include "base/Trace.h"
#include "base/cSharedLang.h"
#include "speech/SpeechEngine.h"
#include "speech/VoiceChoice.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "speech/clsWavRenderer.h"
#include "ui/MessageBoxes.h"
#include "ui/VoiceForFile.h"
#include "ui/cSHAREDcDlg.h"
#include "ui/frmRenderProgress.h"

#include <QThread>

namespace {
const QString kProcedure = QStringLiteral("cmdSpeakToWav_Click");
const QString kModule = QStringLiteral("frmMain");
// The compressed formats an audiobook is played in, after the wave filter.
const QString kAudiobookFilters =
    QStringLiteral("|FLAC Files (*.flac)|*.flac|Ogg Vorbis Files (*.ogg)|*.ogg"
                   "|Opus Files (*.opus)|*.opus|MP3 Files (*.mp3)|*.mp3");
} // namespace

bool SpeakToWav(QWidget *parent, clsTalker *Talker, const QString &text, clsDict *dict,
                const std::function<void()> &stopReading)
{
    if (!Talker || !Talker->engine())
        return false;
    // A voice the sound server plays itself cannot go into a file: the user picks another.
    const int fileVoice = VoiceForFile::Choose(parent, Talker->engine());
    if (fileVoice == 0)
        return false;
    cSHAREDcDlg dialog(parent);
    dialog.Flags =
        cSHAREDcDlg::OverwritePrompt | cSHAREDcDlg::PathMustExist | cSHAREDcDlg::NoReadOnlyReturn;
    dialog.DialogTitle = Lang().GetTranslation(QStringLiteral("Save to a Wave File"));
    dialog.Filter = QStringLiteral("All Files (*.*)|*.*|Wave Files ")
        + QStringLiteral("(*.wav)|*.wav") + kAudiobookFilters;
    dialog.FilterIndex = 2;
    // The format follows the extension: a name typed without one is a wave file.
    dialog.DefaultExt = QStringLiteral("wav");
    // The name reaches here with its extension already given, so the timing file
    // named is the one the rendering will write.
    dialog.AlsoReplaced = [](const QString &chosen) {
        return QStringList { clsWavRenderer::TimingFileFor(chosen) };
    };
    // Cancel, or a dialog that cannot be shown: nothing happens, not even to a reading going on.
    if (!Trace::attempt(kProcedure, kModule, [&] { dialog.ShowSave(); })
        || dialog.Filename.isEmpty())
        return false;
    Talker->SetWavOutput(dialog.Filename);
    if (stopReading)
        stopReading();

    const QString wavPath = Talker->WavOutput();
    std::unique_ptr<SpeechRenderer> renderer;
    QList<clsWavRenderer::Sentence> sentences;
    const bool prepared = Trace::attempt(kProcedure, kModule, [&] {
        // A list that cannot be read leaves the words as they were; the log says why.
        if (dict)
            Trace::attempt(kProcedure, kModule, [&] { dict->LoadWords(); });
        // Cut as a Read in the chosen voice would cut it: its language's titles.
        sentences = clsWavRenderer::PrepareSentences(text, dict, Talker->store().nextRule());
        // Every core: the engine renders parts side by side where it can.
        renderer =
            VoiceChoice::CreateRenderer(*Talker->engine(), fileVoice, QThread::idealThreadCount());
        if (!renderer)
            throw Failure(438, QStringLiteral("Object doesn't support this property or method"));
    });
    if (!prepared)
        return false;

    clsWavRenderer rendering;
    frmRenderProgress progress(&rendering, parent);
    rendering.Start(std::move(renderer), std::move(sentences), wavPath,
                    clsWavRenderer::TimingFileFor(wavPath));
    progress.exec();

    switch (rendering.outcome()) {
    case clsWavRenderer::Outcome::Done:
        return true;
    case clsWavRenderer::Outcome::Failed:
        // The user waited for a file: saying nothing would pass a failure off as success.
        Log().AddAction(rendering.errorText(), kProcedure, kModule);
        MessageBoxes::show(
            parent, MessageBoxes::Warning, QStringLiteral("Orlin"),
            Lang().GetTranslation(QStringLiteral("The wave file could not be written."))
                + QStringLiteral("\n") + rendering.errorText());
        return false;
    case clsWavRenderer::Outcome::Cancelled:
    case clsWavRenderer::Outcome::Running:
        break;
    }
    return false;
}
