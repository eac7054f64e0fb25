#pragma once

#include <QStringList>

namespace zrx {

struct ChildResult {
    bool ok = false;        // started and exited with status 0
    double wallSeconds = 0; // from the spawn to its exit
};

// Runs a program to its end with extra environment entries ("NAME=value"),
// its stderr thrown away.
ChildResult run_child(const QString &program, const QStringList &arguments, const QStringList &environment);

} // namespace zrx
