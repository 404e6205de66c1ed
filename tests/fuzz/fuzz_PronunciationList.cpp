// The pronunciation list (ol1dict.txt) read as the reading reads it, and applied to a
// sentence. The input is the list, then a NUL, then the sentence. Whatever the list, the
// sentence stays within its bound, and the work stays within a bound too.
#include "FuzzFolder.h"

#include "speech/clsDict.h"

#include <QElapsedTimer>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray list = nul < 0 ? bytes : bytes.left(nul);
    const QString sentence = nul < 0 ? QStringLiteral("Hello, world. A cat, a dog - and more.")
                                     : QString::fromUtf8(bytes.mid(nul + 1));
    clsDict dict;
    dict.setFileName(fuzzFile(QStringLiteral("ol1dict.txt"), list));
    dict.LoadWords();

    QElapsedTimer timer;
    timer.start();
    const QString spoken = dict.TranslateText(sentence);
    const qint64 ms = timer.elapsed();
    if (spoken.size() > clsDict::ResultLimit(sentence.size() + 1)) {
        std::fprintf(stderr, "sentence grew to %lld characters\n", (long long)spoken.size());
        std::abort();
    }
    // A list is a few KB here: its work on one sentence is a matter of milliseconds, even
    // with the sanitizers; a second means the work is no longer bounded by the sizes.
    if (ms > 1000) {
        std::fprintf(stderr, "one sentence took %lld ms\n", (long long)ms);
        std::abort();
    }
    return 0;
}
