#pragma once

#include <QString>

// The time from starting a process to the first paint of its window, measured from outside the
// process so that loading the program and the toolkit counts.
namespace StartupBench {

// Run in the started process: shows the window of `kind` ("window": the bookkeeping window;
// "bare": an empty main window of the same size; "label": that with one Chinese caption), writes
// "painted" to standard output once it has painted, and quits.
int showAndReport(int &argc, char **argv, const QString &kind);

// The median, over `runs` starts of `program --startup kind`, of the time until "painted", in
// nanoseconds.
qint64 measure(const QString &program, const QString &kind, int runs);

} // namespace StartupBench
