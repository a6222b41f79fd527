#pragma once

#include <QTextStream>

// Times the window's commands through its real buttons, with the list holding `entries` records,
// against a bare list view rebuilt from the same lines; prints one "name value" line per figure.
class CommandBench
{
public:
    explicit CommandBench(int entries);

    void run(QTextStream &out);

private:
    int entries;
};
