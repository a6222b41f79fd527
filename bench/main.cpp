#include "commandbench.h"
#include "startupbench.h"

#include <QApplication>
#include <QProcess>

#include <cstring>
#include <utility>

namespace {

double milliseconds(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

// Runs the command benchmark for `entries` in a process of its own, so that each measures its
// memory from a fresh start, and prints its rows of the table.
void commandRows(QTextStream &out, const QString &program, int entries)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {"--commands", QString::number(entries)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        qFatal("the benchmark for %d entries failed", entries);

    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2) {
            out << QStringLiteral("%1  %2  %3 bytes\n")
                       .arg(entries, 7)
                       .arg(QString::fromLatin1(fields.at(0)).replace('_', ' '), -13)
                       .arg(fields.at(1).toLongLong());
        } else if (fields.size() == 3) {
            const qint64 ours = fields.at(1).toLongLong();
            const qint64 floor = fields.at(2).toLongLong();
            out << QStringLiteral("%1  %2  %3  %4  %5\n")
                       .arg(entries, 7)
                       .arg(QString::fromLatin1(fields.at(0)).replace('_', ' '), -13)
                       .arg(milliseconds(ours), 10, 'f', 3)
                       .arg(milliseconds(floor), 10, 'f', 3)
                       .arg(double(ours) / double(floor), 6, 'f', 2);
        }
    }
    out.flush();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--startup") == 0)
        return StartupBench::showAndReport(argc, argv, QString::fromLatin1(argv[2]));

    if (argc == 3 && std::strcmp(argv[1], "--commands") == 0) {
        QApplication app(argc, argv);
        QTextStream out(stdout);
        CommandBench(QByteArray(argv[2]).toInt()).run(out);
        return 0;
    }

    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationFilePath();
    QTextStream out(stdout);

    out << "entries  command          ours ms   floor ms   ratio\n";
    for (const int entries : {1000, 10000, 100000})
        commandRows(out, program, entries);

    const int runs = 21;
    out << QStringLiteral("\nstart to first paint, median of %1 starts      ms   window / this\n")
               .arg(runs);
    const qint64 window = StartupBench::measure(program, "window", runs);
    out << QStringLiteral("  the bookkeeping window                %1\n")
               .arg(milliseconds(window), 6, 'f', 1);
    const QList<std::pair<QString, QString>> floors{
        {"bare", "an empty main window"},
        {"label", "a main window with one Chinese label"},
    };
    for (const auto &[kind, what] : floors) {
        const qint64 floor = StartupBench::measure(program, kind, runs);
        out << QStringLiteral("  %1  %2  %3\n")
                   .arg(what, -36)
                   .arg(milliseconds(floor), 6, 'f', 1)
                   .arg(double(window) / double(floor), 6, 'f', 2);
    }
    return 0;
}
