#pragma once

#include "records/record.h"

#include <QList>

class MainWindow;

class BenchmarkAccess
{
public:
    // Adds the records to the window and shows them, as that many adds in a row would.
    static void fill(MainWindow &window, const QList<Record> &records);
};
