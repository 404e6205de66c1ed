#include "base/cSHAREDSettings.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLogging.h"
#include "base/cSharedText.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

const QString ClassName = QStringLiteral("cSHAREDSettings");

constexpr int TypeMismatch = 13;
constexpr int SubscriptOutOfRange = 9;

struct Entry
{
    QString KeyName;
    QVariant KeyValue;
    bool deleted = false;
};

// The upper-cased name. Names are nearly always ASCII, and most already upper case
// (the file holds them so): those cost a scan, or one copy, instead of Unicode's tables.
QString lookupKey(const QString &name)
{
    const auto *chars = reinterpret_cast<const char16_t *>(name.constData());
    const qsizetype size = name.size();
    qsizetype firstLower = -1;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (c >= 0x80)
            return name.toUpper();
        if (firstLower < 0 && c >= u'a' && c <= u'z')
            firstLower = i;
    }
    if (firstLower < 0)
        return name;
    QString key(size, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(key.data());
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        out[i] = c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
    }
    return key;
}

QString withoutCommas(const QString &name)
{
    if (!name.contains(QLatin1Char(',')))
        return name;
    QString result = name;
    result.remove(QLatin1Char(','));
    return result;
}

// Trims blanks only, as the file's readers always have: tabs and control characters
// belong to the value.
QStringView blankTrimmed(QStringView text)
{
    while (!text.isEmpty() && text.front() == QLatin1Char(' '))
        text = text.mid(1);
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    return text;
}

struct BoolNames
{
    QString trueName;
    QString falseName;
};

// What the user's language calls true and false, upper-cased; files written by hand
// in that language use these words.
BoolNames localeBoolNames()
{
    struct Row
    {
        QLocale::Language language;
        const char *trueName;
        const char *falseName;
    };
    static const Row rows[] = {
        { QLocale::German, "WAHR", "FALSCH" },          { QLocale::French, "VRAI", "FAUX" },
        { QLocale::Spanish, "VERDADERO", "FALSO" },     { QLocale::Italian, "VERO", "FALSO" },
        { QLocale::Portuguese, "VERDADEIRO", "FALSO" }, { QLocale::Dutch, "WAAR", "ONWAAR" },
        { QLocale::Swedish, "SANT", "FALSKT" },         { QLocale::Danish, "SAND", "FALSK" },
        { QLocale::NorwegianBokmal, "SANN", "USANN" },  { QLocale::Finnish, "TOSI", "EPÄTOSI" },
        { QLocale::Polish, "PRAWDA", "FAŁSZ" },
    };
    const QLocale::Language language = QLocale().language();
    for (const Row &row : rows) {
        if (row.language == language)
            return { QString::fromUtf8(row.trueName), QString::fromUtf8(row.falseName) };
    }
    return { QStringLiteral("TRUE"), QStringLiteral("FALSE") };
}

enum class Truth { Neither, True, False };

Truth truthOf(QStringView text)
{
    const QStringView t = blankTrimmed(text);
    // Most values are numbers and names: settled without asking the locale.
    if (t.size() < 4 || t.size() > 10 || !t.front().isLetter())
        return Truth::Neither;
    const BoolNames names = localeBoolNames();
    if (t.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0
        || t.compare(names.falseName, Qt::CaseInsensitive) == 0)
        return Truth::False;
    if (t.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0
        || t.compare(names.trueName, Qt::CaseInsensitive) == 0)
        return Truth::True;
    return Truth::Neither;
}

bool isInteger(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isReal(const QVariant &v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

// The text a value shows when compared with another: what converting it to text gives.
QString plainText(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

QString memberName(const QString &set, int index)
{
    return set + QLatin1Char('_') + QString::number(index);
}

QString indexName(const QString &set)
{
    return set + QStringLiteral("_INDEX");
}

} // namespace

// Entries live in insertion order in a vector; the hash maps each upper-cased name to
// its slot. Deleting only marks the slot, so bulk deletions stay linear; positions are
// counted after squeezing the marks out, which happens once per run of deletions.
struct cSHAREDSettings::Data
{
    std::vector<Entry> entries;
    QHash<QString, qsizetype> byName;
    qsizetype deleted = 0;

    Entry *find(const QString &name)
    {
        const auto it = byName.constFind(lookupKey(name));
        return it == byName.constEnd() ? nullptr : &entries[size_t(*it)];
    }

    qsizetype live() const { return qsizetype(entries.size()) - deleted; }

    void remove(const QString &name)
    {
        const auto it = byName.constFind(lookupKey(name));
        if (it == byName.constEnd())
            return;
        Entry &e = entries[size_t(*it)];
        e.deleted = true;
        e.KeyName.clear();
        e.KeyValue.clear();
        byName.erase(it);
        ++deleted;
        // Keeps a long life of deletions from growing the vector without bound.
        if (deleted > 1024 && deleted > live())
            compact();
    }

    void compact()
    {
        if (deleted == 0)
            return;
        std::erase_if(entries, [](const Entry &e) { return e.deleted; });
        deleted = 0;
        reindex();
    }

    void reindex()
    {
        byName.clear();
        byName.reserve(qsizetype(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i)
            byName.insert(lookupKey(entries[i].KeyName), qsizetype(i));
    }

    void clear()
    {
        entries.clear();
        byName.clear();
        deleted = 0;
    }
};

cSHAREDSettings::cSHAREDSettings()
    : d(new Data)
{
}

cSHAREDSettings::~cSHAREDSettings()
{
    delete d;
}

void cSHAREDSettings::AddSetting(const QString &SettingTitle, const QVariant &SettingValue)
{
    try {
        const QVariant value = SettingValue.typeId() == QMetaType::Bool
            ? QVariant(SettingValue.toBool() ? -1 : 0)
            : SettingValue;
        const QString name = withoutCommas(SettingTitle);
        const QString key = lookupKey(name);
        const auto it = d->byName.constFind(key);
        if (it != d->byName.constEnd()) {
            d->entries[size_t(*it)].KeyValue = value;
            return;
        }
        d->entries.push_back(Entry { name, value });
        d->byName.insert(key, qsizetype(d->entries.size()) - 1);
    } catch (const std::exception &e) {
        Trace::record(Trace::asFailure(e), QStringLiteral("AddSetting"), ClassName);
    }
}

void cSHAREDSettings::StoreSetting(const QString &SettingTitle, const QVariant &SettingValue)
{
    AddSetting(SettingTitle, SettingValue);
}

void cSHAREDSettings::sSet(const QString &SettingTitle, const QVariant &SettingValue)
{
    AddSetting(SettingTitle, SettingValue);
}

QVariant cSHAREDSettings::RetrieveSetting(const QString &SettingTitle,
                                          const QVariant &DefaultIfUnknown)
{
    // Looked up exactly as passed: a name with a comma was stored without it and is
    // not found here, although IsSettingPresent finds it.
    const Entry *e = d->find(SettingTitle);
    if (!e)
        return DefaultIfUnknown;
    if (e->KeyValue.typeId() == QMetaType::QString) {
        switch (truthOf(e->KeyValue.toString())) {
        case Truth::False:
            return QVariant(false);
        case Truth::True:
            return QVariant(true);
        case Truth::Neither:
            break;
        }
    }
    return e->KeyValue;
}

QVariant cSHAREDSettings::sGet(const QString &SettingTitle, const QVariant &DefaultIfUnknown)
{
    return RetrieveSetting(SettingTitle, DefaultIfUnknown);
}

QVariant cSHAREDSettings::RetrieveWithDefault(const QString &SettingTitle,
                                              const QVariant &DefaultIfZero)
{
    const QVariant v = RetrieveSetting(SettingTitle, DefaultIfZero);
    double number = 0;
    if (!v.isValid() || v.isNull()) {
        number = 0;
    } else if (isInteger(v) || isReal(v)) {
        number = v.toDouble();
    } else {
        bool ok = false;
        const QString text = v.toString();
        const QStringView trimmed = blankTrimmed(text);
        number = trimmed.isEmpty() ? 0 : trimmed.toDouble(&ok);
        if (!trimmed.isEmpty() && !ok) {
            Trace::record(Failure(TypeMismatch, QStringLiteral("Type mismatch")),
                          QStringLiteral("RetrieveWithDefault"), ClassName);
            return DefaultIfZero;
        }
    }
    return number == 0 ? DefaultIfZero : v;
}

QVariant cSHAREDSettings::sGetWD(const QString &SettingTitle, const QVariant &DefaultIfZero)
{
    return RetrieveWithDefault(SettingTitle, DefaultIfZero);
}

bool cSHAREDSettings::IsSettingPresent(const QString &SettingTitle) const
{
    return d->find(withoutCommas(SettingTitle)) != nullptr;
}

void cSHAREDSettings::DeleteSettingByName(const QString &SettingName)
{
    if (IsSettingPresent(SettingName))
        d->remove(SettingName);
}

void cSHAREDSettings::DeleteSetting(int Index)
{
    d->compact();
    if (Index < 1 || Index > int(d->entries.size())) {
        Trace::record(Failure(SubscriptOutOfRange, QStringLiteral("Subscript out of range")),
                      QStringLiteral("DeleteSetting"), ClassName);
        return;
    }
    d->remove(d->entries[size_t(Index - 1)].KeyName);
}

void cSHAREDSettings::DeleteAllSettings()
{
    d->clear();
}

int cSHAREDSettings::SettingsCount() const
{
    return int(d->live());
}

QString cSHAREDSettings::SettingNameByIndex(int Index) const
{
    d->compact();
    if (Index < 1 || Index > int(d->entries.size()))
        return {};
    return d->entries[size_t(Index - 1)].KeyName;
}

void cSHAREDSettings::SortSettings()
{
    // Ordinal and stable: the same order an exchange sort on the names leaves.
    d->compact();
    std::stable_sort(d->entries.begin(), d->entries.end(),
                     [](const Entry &a, const Entry &b) { return a.KeyName < b.KeyName; });
    d->reindex();
}

QStringList cSHAREDSettings::LoadSettings(const QString &SettingsFile)
{
    DeleteAllSettings();
    QStringList problems;
    if (!cSharedFileSubs::FileExists(SettingsFile))
        return problems;
    const QString content = cSharedFileSubs::ReadWholeFile(SettingsFile);
    const QStringView text(content);
    const QStringView lineEnd(u"\r\n");
    const qsizetype lines = text.count(lineEnd) + 1;
    if (lines < 1000000) {
        d->entries.reserve(size_t(lines));
        d->byName.reserve(lines);
    }
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(lineEnd, start);
        if (end < 0)
            end = text.size();
        const QStringView line = text.sliced(start, end - start);
        start = end + lineEnd.size();
        try {
            const qsizetype comma = line.indexOf(QLatin1Char(','));
            if (comma < 0)
                continue;
            const QString name = line.first(comma).toString();
            if (blankTrimmed(name).isEmpty())
                continue;
            QString valueText = line.sliced(comma + 1).toString();
            QVariant value;
            switch (truthOf(valueText)) {
            case Truth::False:
                value = 0;
                break;
            case Truth::True:
                value = -1;
                break;
            case Truth::Neither:
                value = std::move(valueText);
                break;
            }
            AddSetting(name, value);
        } catch (const std::exception &e) {
            const Failure failure = Trace::asFailure(e);
            Trace::record(failure, QStringLiteral("LoadSettings"), ClassName);
            problems << QStringLiteral("Error ") + QString::number(failure.code())
                    + QStringLiteral(" in setting file. Line: ") + line.toString()
                    + QStringLiteral(" of ") + SettingsFile;
        }
    }
    return problems;
}

QString cSHAREDSettings::valueText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (isInteger(value) || isReal(value)) {
        const QString number = value.typeId() == QMetaType::Bool
            ? QString::number(value.toBool() ? -1 : 0)
            : isReal(value) ? QString::number(value.toDouble(), 'g', 15)
                            : value.toString();
        return number.startsWith(QLatin1Char('-')) ? number + QLatin1Char(' ')
                                                   : QLatin1Char(' ') + number + QLatin1Char(' ');
    }
    return value.toString();
}

void cSHAREDSettings::writePass(const QString &SettingsFile)
{
    d->compact();
    QString out;
    qsizetype size = 0;
    for (const Entry &e : d->entries)
        size += e.KeyName.size() + 16;
    out.reserve(size);
    for (const Entry &e : d->entries) {
        out += lookupKey(e.KeyName);
        out += QLatin1Char(',');
        out += valueText(e.KeyValue);
        out += QLatin1String("\r\n");
    }
    // Owner-only: the settings may hold the proxy password.
    cSharedFileSubs::ReplaceTextFile(SettingsFile, out, true);
}

cSHAREDSettings::SaveOutcome cSHAREDSettings::SaveSettings(const QString &SettingsFile)
{
    SaveOutcome outcome;
    outcome.file = SettingsFile;
    for (bool madeWritable = false;;) {
        try {
            writePass(SettingsFile);
            return outcome;
        } catch (const std::exception &e) {
            const Failure failure = Trace::asFailure(e);
            Trace::record(failure, QStringLiteral("SaveSettings"), ClassName);
            outcome.code = failure.code();
            outcome.description = failure.description();
        }
        switch (outcome.code) {
        case FailureCode::BadFileNameOrNumber:
        case FailureCode::PathFileAccess:
            if (!madeWritable && cSharedFileSubs::MakeReadWrite(SettingsFile)) {
                madeWritable = true;
                continue;
            }
            outcome.result = SaveOutcome::ReadOnly;
            return outcome;
        case FailureCode::DiskFull:
            outcome.result = SaveOutcome::DiskFull;
            return outcome;
        default:
            outcome.result = SaveOutcome::Failed;
            return outcome;
        }
    }
}

int cSHAREDSettings::LastIndexInSet(const QString &SetName)
{
    return settingToInt(RetrieveSetting(indexName(SetName.toUpper()), 0), 0);
}

// The highest member of the set actually present (0 for none).
int cSHAREDSettings::highestMember(const QString &set) const
{
    const QString prefix = set + QLatin1Char('_');
    int top = 0;
    for (const Entry &e : d->entries) {
        if (e.deleted || !e.KeyName.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        // A member's index is written in decimal without leading zeros.
        const QStringView digits = QStringView(e.KeyName).sliced(prefix.size());
        if (digits.isEmpty() || digits.size() > 9 || digits.front() == QLatin1Char('0')
            || !std::all_of(digits.begin(), digits.end(),
                            [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
            continue;
        const int index = digits.toInt();
        if (index <= kMaxSetIndex)
            top = qMax(top, index);
    }
    return top;
}

// The set's index, and where walks over its members end: at the highest member present,
// past which every member is absent. An index below zero, past kMaxSetIndex or not a
// number comes from a damaged or planted file ("S_INDEX,2147483647" made each walk take
// billions of steps and the next index overflow): it is logged and replaced by that
// highest member.
cSHAREDSettings::SetBounds cSHAREDSettings::setBounds(const QString &set)
{
    SetBounds b;
    b.walk = highestMember(set);
    const QVariant stored = RetrieveSetting(indexName(set));
    if (!stored.isValid() || blankTrimmed(plainText(stored)).isEmpty())
        return { 0, 0 };
    const int last = settingToInt(stored, -1);
    if (last >= 0 && last <= kMaxSetIndex) {
        b.last = last;
        b.walk = qMin(b.walk, last);
        return b;
    }
    Log().AddAction(QStringLiteral("Damaged set '%1': its index %2 is taken as %3, its highest "
                                   "member")
                        .arg(set, plainText(stored).left(40))
                        .arg(b.walk),
                    QString(), ClassName);
    b.last = b.walk;
    return b;
}

int cSHAREDSettings::AddToSet(const QString &SetName, const QVariant &Value)
{
    const QString set = SetName.toUpper();
    // An index whose entry outlived the set's bookkeeping is skipped, never overwritten.
    int i = setBounds(set).last + 1;
    while (IsSettingPresent(memberName(set, i)))
        ++i;
    if (i > kMaxSetIndex) {
        Log().AddAction(QStringLiteral("The set '%1' is full").arg(set), QStringLiteral("AddToSet"),
                        ClassName);
        return 0;
    }
    StoreSetting(indexName(set), i);
    StoreSetting(memberName(set, i), Value);
    return i;
}

bool cSHAREDSettings::ValueInSet(const QString &SetName, const QVariant &ValueToFind)
{
    return firstInSet(SetName.toUpper(), ValueToFind) > 0;
}

int cSHAREDSettings::firstInSet(const QString &set, const QVariant &ValueToFind)
{
    const QString wanted = plainText(ValueToFind);
    const SetBounds b = setBounds(set);
    for (int i = 1; i <= b.walk; ++i) {
        if (cSharedText::StringsEqual(plainText(RetrieveSetting(memberName(set, i))), wanted))
            return i;
    }
    // Past the highest member, up to the index, every member is absent: it reads as empty.
    if (b.walk < b.last && cSharedText::StringsEqual(QString(), wanted))
        return b.walk + 1;
    return 0;
}

void cSHAREDSettings::DeleteFromSetByValue(const QString &SetName, const QVariant &ValueToFind)
{
    const QString set = SetName.toUpper();
    if (const int i = firstInSet(set, ValueToFind); i > 0)
        RemoveFromSetAt(set, i);
}

void cSHAREDSettings::RemoveFromSetAt(const QString &SetName, int Index)
{
    const QString set = SetName.toUpper();
    const SetBounds b = setBounds(set);
    if (Index < b.walk) {
        // Moves the values as held, so a member reading TRUE stays that text, and a gap
        // moves down as a gap: no empty members are made, and nothing past the highest
        // member is walked.
        for (int k = Index + 1; k <= b.walk; ++k) {
            if (const Entry *e = d->find(memberName(set, k)))
                StoreSetting(memberName(set, k - 1), e->KeyValue);
            else
                DeleteSettingByName(memberName(set, k - 1));
        }
        DeleteSettingByName(memberName(set, b.walk));
    } else {
        DeleteSettingByName(memberName(set, Index));
    }
    StoreSetting(indexName(set), qMax(b.last - 1, 0));
}

int cSHAREDSettings::SetCount(const QString &SetName)
{
    const QString set = SetName.toUpper();
    const SetBounds b = setBounds(set);
    int count = 0;
    for (int i = 1; i <= b.walk; ++i) {
        if (IsSettingPresent(memberName(set, i)))
            ++count;
    }
    if (count != b.last)
        Log().AddAction(QStringLiteral("WARNING: LastIDX and Setcount not the same with setting '")
                        + SetName + QLatin1Char('\''));
    return count;
}

void cSHAREDSettings::DeleteASet(const QString &SetName)
{
    const QString set = SetName.toUpper();
    // Ten past the counted members, as ever, and every member present beyond them.
    const int end = qMax(SetCount(SetName) + 10, highestMember(set));
    for (int i = 1; i <= end; ++i)
        DeleteSettingByName(memberName(set, i));
    DeleteSettingByName(indexName(set));
}

cSHAREDSettings &cSHAREDSettings::instance()
{
    if (cSHAREDSettings *settings = Seam::current<InstanceSeam>())
        return *settings;
    static auto *standIn = new cSHAREDSettings;
    return *standIn;
}

int settingToInt(const QVariant &value, int fallback)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? -1 : 0;
    if (isInteger(value)) {
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        return ok && n >= INT_MIN && n <= INT_MAX ? int(n) : fallback;
    }
    if (isReal(value)) {
        const double x = value.toDouble();
        return std::isfinite(x) && x >= INT_MIN && x <= INT_MAX ? int(std::lround(x)) : fallback;
    }
    bool ok = false;
    const int n = blankTrimmed(value.toString()).toInt(&ok);
    return ok ? n : fallback;
}
