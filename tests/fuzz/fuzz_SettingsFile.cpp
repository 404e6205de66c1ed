// The settings file (Orlin.ini, BookMarks.ini) loaded, its sets walked and changed, saved
// and loaded again: a saved store reads back as the same store, and a set's walks stay
// bounded whatever index the file gives it.
#include "FuzzFolder.h"

#include "base/cSHAREDSettings.h"

#include <QElapsedTimer>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray readBack(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    cSHAREDSettings store;
    store.LoadSettings(fuzzFile(QStringLiteral("Orlin.ini"), bytes));

    QElapsedTimer timer;
    timer.start();
    QStringList sets;
    for (int i = 1; i <= store.SettingsCount() && sets.size() < 4; ++i) {
        const QString name = store.SettingNameByIndex(i);
        if (name.endsWith(QLatin1String("_INDEX"), Qt::CaseInsensitive))
            sets << name.chopped(6);
    }
    for (const QString &set : std::as_const(sets)) {
        store.SetCount(set);
        store.ValueInSet(set, QStringLiteral("x"));
        store.AddToSet(set, QStringLiteral("added"));
        store.DeleteFromSetByValue(set, QString());
        store.LastIndexInSet(set);
    }
    if (!sets.isEmpty())
        store.DeleteASet(sets.first());
    // Each walk is at most 32767 steps: seconds only under the sanitizers on a busy machine.
    if (timer.elapsed() > 10000) {
        std::fprintf(stderr, "the sets took %lld ms\n", (long long)timer.elapsed());
        std::abort();
    }

    const QString first = fuzzFolder().filePath(QStringLiteral("first.ini"));
    const QString second = fuzzFolder().filePath(QStringLiteral("second.ini"));
    if (!store.SaveSettings(first))
        return 0;
    cSHAREDSettings again;
    again.LoadSettings(first);
    if (!again.SaveSettings(second))
        return 0;
    // A name beginning with U+FEFF on the first line is read back as a byte-order mark
    // (the shared reading rule of Orlin's files, base/TextFileEncoding): left to that rule.
    if (readBack(first).startsWith("\xEF\xBB\xBF"))
        return 0;
    if (readBack(first) != readBack(second)) {
        std::fprintf(stderr, "a saved store does not read back as itself\n");
        std::abort();
    }
    return 0;
}
