#include "speech/VoiceChoice.h"

#include "base/Trace.h"
#include "base/cSHAREDSettings.h"

#include <algorithm>

namespace VoiceChoice {

namespace {

const QString kIdKey = QStringLiteral("LASTVOICEID");
const QString kShownKey = QStringLiteral("LASTVOICE");
const QString kIndexKey = QStringLiteral("LASTENGINE");

struct EngineName
{
    const char *engine;
    const char *title;
    const char *shortName;
};
const EngineName kEngines[] = {
    { "espeak-ng", "espeak-ng", "espeak" },
    { "flite", "Flite", "flite" },
    { "speech-dispatcher", "System voices", "speechd" },
};

std::optional<VoiceIdentity> parseId(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    const QString engine = EngineNamed(text.left(colon));
    if (engine.isEmpty())
        return std::nullopt;
    return VoiceIdentity { engine, text.mid(colon + 1) };
}

} // namespace

QList<Listed> List(const SpeechEngine &engine)
{
    QList<Listed> voices;
    int count = 0;
    if (!Trace::attempt(QStringLiteral("FillEngine"), QStringLiteral("clsTalker"),
                        [&] { count = engine.CountEngines(); }))
        return voices;
    for (int i = 1; i <= count; ++i) {
        Trace::attempt(QStringLiteral("FillEngine"), QStringLiteral("clsTalker"), [&] {
            const QString language = engine.ModeLanguage(i);
            voices.append({ i, engine.Identity(i), language,
                            engine.ModeName(i) + QStringLiteral(" - ") + language,
                            engine.CanRender(i) });
        });
    }
    return voices;
}

QString IdText(const VoiceIdentity &identity)
{
    return identity.engine.isEmpty() ? identity.name
                                     : identity.engine + QLatin1Char(':') + identity.name;
}

QString EngineNamed(const QString &text)
{
    const QString wanted = text.trimmed();
    for (const EngineName &e : kEngines) {
        for (const char *name : { e.engine, e.title, e.shortName }) {
            if (wanted.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return QString::fromLatin1(e.engine);
        }
    }
    if (wanted.compare(QLatin1String("system"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("speech-dispatcher");
    return {};
}

QString GroupTitle(const QString &engine)
{
    for (const EngineName &e : kEngines) {
        if (engine == QLatin1String(e.engine))
            return QString::fromLatin1(e.title);
    }
    return engine;
}

int Find(const QList<Listed> &voices, const VoiceIdentity &identity)
{
    for (const Listed &v : voices) {
        if (v.identity == identity)
            return v.voice;
    }
    return 0;
}

Saved Restore(const QList<Listed> &voices)
{
    Saved saved;
    const QString id = Settings().sGet(kIdKey).toString().trimmed();
    if (!id.isEmpty()) {
        if (const auto identity = parseId(id)) {
            saved.voice = Find(voices, *identity);
            saved.listed = saved.voice != 0;
            if (!saved.listed && !voices.isEmpty()) {
                saved.voice = voices.front().voice;
                saved.unavailable = id;
            }
            return saved;
        }
    }
    const QString shown = Settings().sGet(kShownKey).toString();
    if (!shown.isEmpty()) {
        for (const Listed &v : voices) {
            if (v.shown == shown) {
                saved.voice = v.voice;
                saved.listed = true;
                return saved;
            }
        }
    }
    // The number of the first versions: beyond the list means the last voice, and a
    // negative number in a hand-edited file the first rather than the end of the program.
    const int index = settingToInt(Settings().sGet(kIndexKey, QStringLiteral("0")));
    saved.listed =
        shown.isEmpty() && (index <= 0 || (!voices.isEmpty() && index + 1 <= voices.back().voice));
    if (voices.isEmpty())
        return saved;
    const int last = voices.back().voice;
    const int wanted = std::clamp(index + 1, 1, last);
    // The voice of that number, or the listed one nearest below it.
    saved.voice = voices.front().voice;
    for (const Listed &v : voices) {
        if (v.voice <= wanted)
            saved.voice = v.voice;
    }
    return saved;
}

bool SavedAmong(const QList<Listed> &voices)
{
    return Restore(voices).listed;
}

void Remember(const SpeechEngine *engine, int index, const QString &shown)
{
    Trace::quietly([&] { Settings().sSet(kIndexKey, index); });
    Trace::quietly([&] { Settings().sSet(kShownKey, shown); });
    Trace::quietly([&] {
        const VoiceIdentity identity = engine ? engine->Identity(index + 1) : VoiceIdentity();
        // An engine that gives voices no names leaves the key to the others.
        if (!identity.engine.isEmpty())
            Settings().sSet(kIdKey, IdText(identity));
    });
}

void KeepUnavailable(const Saved &saved)
{
    if (!saved.unavailable.isEmpty())
        Trace::quietly([&] { Settings().sSet(kIdKey, saved.unavailable); });
}

int FromCommandLine(const QList<Listed> &voices, const QString &text, QString *error)
{
    const QString wanted = text.trimmed();
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    if (isNumber) {
        for (const Listed &v : voices) {
            if (v.voice == number)
                return v.voice;
        }
        *error = QStringLiteral("there is no voice number %1 (see --list-voices)").arg(wanted);
        return 0;
    }
    QList<const Listed *> matches;
    auto collect = [&](const QString &engine, const QString &name, Qt::CaseSensitivity cs) {
        matches.clear();
        for (const Listed &v : voices) {
            if ((engine.isEmpty() || v.identity.engine == engine)
                && (v.identity.name.compare(name, cs) == 0 || v.shown.compare(name, cs) == 0))
                matches.append(&v);
        }
        return !matches.isEmpty();
    };
    const std::optional<VoiceIdentity> identity = parseId(wanted);
    const QString engine = identity ? identity->engine : QString();
    if (identity && std::none_of(voices.cbegin(), voices.cend(), [&](const Listed &v) {
            return v.identity.engine == engine;
        })) {
        *error = engine == QLatin1String("speech-dispatcher")
            ? QStringLiteral("the system voices are played by the desktop's speech service "
                             "(speech-dispatcher) and cannot be written to a file: choose an "
                             "espeak-ng or Flite voice (see --list-voices)")
            : QStringLiteral("no %1 voice is installed (see --list-voices)")
                  .arg(GroupTitle(engine));
        return 0;
    }
    const QString name = identity ? identity->name.trimmed() : wanted;
    if (!collect(engine, name, Qt::CaseSensitive))
        collect(engine, name, Qt::CaseInsensitive);
    if (matches.size() == 1)
        return matches.front()->voice;
    if (matches.isEmpty()) {
        *error = QStringLiteral("no voice is called \"%1\" (see --list-voices)").arg(wanted);
    } else {
        QStringList which;
        for (const Listed *v : matches)
            which << IdText(v->identity);
        *error = QStringLiteral("\"%1\" names several voices (%2): give ENGINE:NAME")
                     .arg(wanted, which.join(QStringLiteral(", ")));
    }
    return 0;
}

std::unique_ptr<SpeechRenderer> CreateRenderer(SpeechEngine &engine, int voice, int jobs)
{
    const int selected = engine.CurrentMode();
    if (voice == selected)
        return engine.CreateRenderer(jobs);
    engine.Select(voice);
    std::unique_ptr<SpeechRenderer> renderer;
    try {
        renderer = engine.CreateRenderer(jobs);
    } catch (...) {
        Trace::quietly([&] { engine.Select(selected); });
        throw;
    }
    engine.Select(selected);
    return renderer;
}

QString ListingText(const QList<Listed> &voices)
{
    QString text;
    for (const Listed &v : voices) {
        text += QStringLiteral("%1\t%2\t%3").arg(v.voice).arg(IdText(v.identity), v.language);
        if (!v.canRender)
            text += QStringLiteral("\t(reads aloud only: cannot be written to a file)");
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace VoiceChoice
