#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

// What every catalogue fuzz target checks of its output: the property broken, printed,
// then an abort, which libFuzzer reports with the input that caused it.
inline void require(bool holds, const char *what, const QString &detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "violated: %s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

// An index or file-list line is one line.
inline void requireOneLine(const QString &line)
{
    require(!line.contains(u'\n') && !line.contains(u'\r'), "one line", line);
}
