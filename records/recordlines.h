#pragma once

#include <QString>

struct Record;

// The two lines a record is shown as. A record never changes once added, so its lines are
// formatted once instead of on every rebuild of the list.
struct RecordLines
{
    explicit RecordLines(const Record &record);

    QString fullList;
    QString searchResult;
};
