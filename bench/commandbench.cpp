#include "commandbench.h"

#include "benchmarkaccess.h"
#include "tests/windowdriver.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {

// Runs the event loop until nothing is pending: the view's delayed layout and its repaint
// included.
void settle()
{
    while (QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents)) { }
}

qint64 timed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    settle();
    return timer.nsecsElapsed();
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The resident memory of this process, in bytes; 0 where /proc is not available.
qint64 residentBytes()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return 0;
}

// The toolkit's floor: a bare model and view of the same size, rebuilt from finished lines.
class Floor
{
public:
    explicit Floor(QSize size)
    {
        view.setModel(&model);
        view.resize(size);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qFatal("the floor's view was never shown");
    }

    qint64 rebuild(const QStringList &lines)
    {
        return timed([this, &lines] {
            model.clear();
            for (const QString &line : lines)
                model.appendRow(new QStandardItem(line));
        });
    }

private:
    QStandardItemModel model;
    QListView view;
};

} // namespace

CommandBench::CommandBench(int entries) : entries(entries)
{ }

void CommandBench::run(QTextStream &out)
{
    // Only the timed clicks bypass the driver, whose clicks also watch for message boxes.
    WindowDriver driver;
    settle();

    const qint64 before = residentBytes();
    QList<Record> records;
    records.reserve(entries);
    const QDateTime start = QDateTime::currentDateTime();
    for (int i = 0; i < entries; ++i) {
        records.append({QStringLiteral("%1 %2").arg(i % 2 ? "odd" : "even").arg(i),
                        (i % 100000) / 100.0, start.addSecs(i)});
    }
    BenchmarkAccess::fill(driver.window, records);
    records.clear();
    settle();
    out << "memory/entry " << (residentBytes() - before) / entries << '\n';

    Floor floor(driver.list->size());
    struct Timing
    {
        explicit Timing(const char *command) : command(command) { }
        const char *command;
        QList<qint64> ours;
        QList<qint64> floor;
    };
    Timing add{"add"};
    Timing remove{"delete"};
    Timing half{"search_half"};
    Timing all{"search_empty"};
    // Clicks the button, then rebuilds the floor from the lines the click left in the list.
    const auto measure = [&floor, &driver](Timing &timing, QPushButton *button) {
        timing.ours.append(timed([button] { QTest::mouseClick(button, Qt::LeftButton); }));
        timing.floor.append(floor.rebuild(driver.lines()));
    };

    driver.typeDescription("bench entry");
    // Fewer repetitions for the larger lists, where one command takes up to a second.
    int repetitions = 15;
    if (entries >= 100000)
        repetitions = 3;
    else if (entries >= 10000)
        repetitions = 7;
    for (int i = 0; i < repetitions; ++i) {
        measure(add, driver.buttonAdd);

        driver.pickRow(entries / 2);
        settle();
        measure(remove, driver.buttonClear);

        driver.typeSearch("even");
        measure(half, driver.buttonSearch);

        driver.typeSearch(QString());
        measure(all, driver.buttonSearch);
    }

    for (const Timing *timing : {&add, &remove, &half, &all})
        out << timing->command << ' ' << median(timing->ours) << ' ' << median(timing->floor)
            << '\n';
}
