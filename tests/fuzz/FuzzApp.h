#pragma once
// The GUI application the report code needs (fonts, pictures), made once per fuzzing process.

#include <QGuiApplication>

inline void FuzzApplication(const char *name)
{
    static int argc = 1;
    static char *argv[] = {const_cast<char *>(name), nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}
