#include "ui/VoiceList.h"

#include "speech/clsTalker.h"

#include <QComboBox>

namespace VoiceList {

void FillEngine(QComboBox *Combo1, const clsTalker &talker)
{
    if (!Combo1)
        return;
    Combo1->clear();
    Combo1->addItems(talker.VoiceNames());
}

} // namespace VoiceList
