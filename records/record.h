#pragma once

#include <QDateTime>
#include <QString>

// One bookkeeping entry, stamped with the local time at which it was added.
struct Record
{
    QString description;
    double amount = 0;
    QDateTime time;
};

// "description:amount at time", the line of the full list.
QString fullListLine(const Record &record);

// "description: amount at time", the line of a search result.
QString searchResultLine(const Record &record);
