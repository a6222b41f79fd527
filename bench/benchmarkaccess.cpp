#include "benchmarkaccess.h"

#include "mainwindow/mainwindow.h"

void BenchmarkAccess::fill(MainWindow &window, const QList<Record> &records)
{
    for (const Record &record : records)
        window.append(record);
    window.refreshList();
}
