#include "ui/VoiceForFile.h"

#include "base/Seam.h"
#include "base/Trace.h"
#include "base/cSharedLang.h"
#include "speech/SpeechEngine.h"
#include "speech/VoiceChoice.h"
#include "ui/MessageBoxes.h"
#include "ui/VoiceList.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromLatin1(english));
}

// The voice to offer first: the first of the same language, else of the same main
// language ("en" for "en-gb"), else the first offered.
int nearest(const QList<VoiceChoice::Listed> &offered, const QString &language)
{
    const QString base = language.section(QLatin1Char('-'), 0, 0).toLower();
    for (const VoiceChoice::Listed &v : offered) {
        if (v.language.compare(language, Qt::CaseInsensitive) == 0)
            return v.voice;
    }
    for (const VoiceChoice::Listed &v : offered) {
        if (v.language.section(QLatin1Char('-'), 0, 0).toLower() == base)
            return v.voice;
    }
    return offered.isEmpty() ? 0 : offered.front().voice;
}

} // namespace

VoiceForFile::VoiceForFile(QWidget *parent, const SpeechEngine &engine, const QString &text,
                           int preselected)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("VoiceForFile"));
    setWindowTitle(translated("Voice for the file"));
    lblWhy = new QLabel(text, this);
    lblWhy->setObjectName(QStringLiteral("lblWhy"));
    lblWhy->setTextFormat(Qt::PlainText);
    lblWhy->setWordWrap(true);
    cmbVoice = new QComboBox(this);
    cmbVoice->setObjectName(QStringLiteral("cmbVoice"));
    cmbVoice->setAccessibleName(translated("Voice for the file"));
    lblWhy->setBuddy(cmbVoice);
    VoiceList::Fill(cmbVoice, &engine, [](const VoiceChoice::Listed &v) { return v.canRender; });
    VoiceList::SelectVoice(cmbVoice, preselected);
    cmdOK = new QPushButton(translated("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(translated("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblWhy);
    layout->addWidget(cmbVoice);
    layout->addLayout(buttons);
    resize(480, sizeHint().height());
}

int VoiceForFile::Choose(QWidget *parent, const SpeechEngine *engine)
{
    if (!engine)
        return 0;
    int current = 0;
    bool renders = false;
    QString shown;
    QString language;
    Trace::quietly([&] {
        current = engine->CurrentMode();
        renders = engine->CanRender(current);
        language = engine->ModeLanguage(current);
        shown = engine->ModeName(current);
    });
    if (current == 0 || renders)
        return current;

    QList<VoiceChoice::Listed> offered = VoiceChoice::List(*engine);
    offered.removeIf([](const VoiceChoice::Listed &v) { return !v.canRender; });
    if (offered.isEmpty()) {
        MessageBoxes::show(parent, MessageBoxes::Information, QStringLiteral("Orlin"),
                           translated("The voice \"%1\" is played by the desktop's speech service, "
                                      "which cannot write it into a file, and no other voice is "
                                      "installed that can.")
                               .arg(shown));
        return 0;
    }
    Question question;
    question.text =
        translated("The voice \"%1\" is played by the desktop's speech service "
                   "(speech-dispatcher), which cannot write it into a file. Choose one of "
                   "Orlin's own voices (espeak-ng or Flite) for the file:")
            .arg(shown);
    for (const VoiceChoice::Listed &v : offered)
        question.offered << v.voice;
    question.preselected = nearest(offered, language);
    if (const auto answer = Seam::current<AnswerSeam>()) {
        const int chosen = answer(question);
        return question.offered.contains(chosen) ? chosen : 0;
    }

    VoiceForFile dialog(parent, *engine, question.text, question.preselected);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    return VoiceList::VoiceIndex(dialog.cmbVoice) + 1;
}
