#pragma once
// The options' lines of a program's --help, the same for nortea and nortea-cli (the
// manual pages and the shell completion read them).

#include <QCommandLineOption>

#include <cstdio>
#include <initializer_list>

namespace nrt::gui {

// "  -h, --help       Shows this help." per option, on standard output.
inline void PrintOptionHelp(std::initializer_list<const QCommandLineOption*> options)
{
    std::printf("options:\n");
    for (const QCommandLineOption* o : options) {
        QString names = "--" + o->names().constLast();
        if (o->names().size() > 1)
            names = "-" + o->names().constFirst() + ", " + names;
        if (!o->valueName().isEmpty())
            names += " " + o->valueName();
        std::printf("  %-16s %s\n", qPrintable(names), qPrintable(o->description()));
    }
}

} // namespace nrt::gui
