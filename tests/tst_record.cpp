#include "records/record.h"

#include <QTest>

class TestRecord : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
};

void TestRecord::lines_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<double>("amount");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("fullListLine");
    QTest::addColumn<QString>("searchResultLine");

    const QDateTime morning(QDate(2026, 3, 5), QTime(9, 4, 7));
    const QString morningText("Thu Mar 5 09:04:07 2026");

    QTest::newRow("amount 0") << "午饭" << 0.0 << morning << "午饭:0 at " + morningText
                              << "午饭: 0 at " + morningText;
    QTest::newRow("amount 12.5") << "午饭" << 12.5 << morning << "午饭:12.5 at " + morningText
                                 << "午饭: 12.5 at " + morningText;
    QTest::newRow("amount 1234.56")
        << "rent" << 1234.56 << morning << "rent:1234.56 at " + morningText
        << "rent: 1234.56 at " + morningText;
    QTest::newRow("amount 123456.78 to six digits")
        << "car" << 123456.78 << morning << "car:123457 at " + morningText
        << "car: 123457 at " + morningText;
    QTest::newRow("amount 999999.99 as exponent")
        << "house" << 999999.99 << morning << "house:1e+06 at " + morningText
        << "house: 1e+06 at " + morningText;

    QTest::newRow("evening, two-digit day")
        << "tea" << 3.5 << QDateTime(QDate(2025, 12, 25), QTime(23, 59, 59))
        << "tea:3.5 at Thu Dec 25 23:59:59 2025"
        << "tea: 3.5 at Thu Dec 25 23:59:59 2025";
    QTest::newRow("midnight") << "tea" << 3.5 << QDateTime(QDate(2024, 2, 29), QTime(0, 0))
                              << "tea:3.5 at Thu Feb 29 00:00:00 2024"
                              << "tea: 3.5 at Thu Feb 29 00:00:00 2024";

    QTest::newRow("description with colon")
        << "a:b" << 1.0 << morning << "a:b:1 at " + morningText << "a:b: 1 at " + morningText;
    QTest::newRow("description with at")
        << "lunch at noon" << 1.0 << morning << "lunch at noon:1 at " + morningText
        << "lunch at noon: 1 at " + morningText;
    QTest::newRow("description of spaces")
        << "  " << 1.0 << morning << "  :1 at " + morningText << "  : 1 at " + morningText;
}

void TestRecord::lines()
{
    QFETCH(QString, description);
    QFETCH(double, amount);
    QFETCH(QDateTime, time);
    QFETCH(QString, fullListLine);
    QFETCH(QString, searchResultLine);

    const Record record{description, amount, time};
    QCOMPARE(::fullListLine(record), fullListLine);
    QCOMPARE(::searchResultLine(record), searchResultLine);
}

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"
