#include "recordlines.h"

#include "record.h"

RecordLines::RecordLines(const Record &record)
    : fullList(fullListLine(record)), searchResult(searchResultLine(record))
{ }
