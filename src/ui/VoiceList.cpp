#include "ui/VoiceList.h"

#include "base/cSharedLang.h"
#include "speech/SpeechEngine.h"
#include "speech/VoiceChoice.h"
#include "speech/clsTalker.h"

#include <QComboBox>
#include <QFont>
#include <QStandardItemModel>

namespace VoiceList {

namespace {
constexpr int kVoiceRole = Qt::UserRole + 1;
} // namespace

void FillEngine(QComboBox *Combo1, const clsTalker &talker)
{
    Fill(Combo1, talker.engine());
}

void Fill(QComboBox *Combo1, const SpeechEngine *engine,
          const std::function<bool(const VoiceChoice::Listed &)> &keep)
{
    if (!Combo1)
        return;
    Combo1->clear();
    if (!engine)
        return;
    QList<VoiceChoice::Listed> voices = VoiceChoice::List(*engine);
    if (keep)
        voices.removeIf([&](const VoiceChoice::Listed &v) { return !keep(v); });
    bool grouped = false;
    for (const VoiceChoice::Listed &v : voices)
        grouped = grouped || v.identity.engine != voices.front().identity.engine;

    auto *model = new QStandardItemModel(Combo1);
    QString group;
    QString title;
    for (const VoiceChoice::Listed &v : voices) {
        if (grouped && (model->rowCount() == 0 || v.identity.engine != group)) {
            group = v.identity.engine;
            title = Lang().GetTranslation(VoiceChoice::GroupTitle(group));
            auto *heading = new QStandardItem(title);
            // A heading is read, never chosen.
            heading->setFlags(Qt::NoItemFlags);
            QFont bold = Combo1->font();
            bold.setBold(true);
            heading->setFont(bold);
            heading->setData(title, Qt::AccessibleTextRole);
            model->appendRow(heading);
        }
        auto *item = new QStandardItem(v.shown);
        item->setData(v.voice, kVoiceRole);
        if (grouped)
            item->setData(v.shown + QStringLiteral(", ") + title, Qt::AccessibleTextRole);
        model->appendRow(item);
    }
    Combo1->setModel(model);
    // The first voice, not a heading, is the one shown before any choice.
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->item(row)->data(kVoiceRole).isValid()) {
            Combo1->setCurrentIndex(row);
            break;
        }
    }
}

int VoiceIndex(const QComboBox *Combo1)
{
    if (!Combo1 || Combo1->currentIndex() < 0)
        return -1;
    const QVariant voice = Combo1->itemData(Combo1->currentIndex(), kVoiceRole);
    return voice.isValid() ? voice.toInt() - 1 : -1;
}

bool SelectVoice(QComboBox *Combo1, int voice)
{
    if (!Combo1)
        return false;
    const int row = Combo1->findData(voice, kVoiceRole);
    if (row < 0)
        return false;
    Combo1->setCurrentIndex(row);
    return true;
}

} // namespace VoiceList
