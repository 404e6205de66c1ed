#pragma once

#include <QGuiApplication>

// Text documents need a GUI application for their fonts; one offscreen instance serves
// every input of a fuzzing run.
inline void ensureFuzzApplication()
{
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = { name, nullptr };
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}
