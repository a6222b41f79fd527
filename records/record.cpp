#include "record.h"

#include <QStringBuilder>

namespace {

QString line(const Record &record, QLatin1String separator)
{
    return record.description % separator % QString::number(record.amount, 'g', 6)
        % QLatin1String(" at ") % record.time.toString(Qt::TextDate);
}

} // namespace

QString fullListLine(const Record &record)
{
    return line(record, QLatin1String(":"));
}

QString searchResultLine(const Record &record)
{
    return line(record, QLatin1String(": "));
}
