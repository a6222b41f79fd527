#include "windowdriver.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

namespace {

struct Entry
{
    QString description;
    double amount;
};

using Entries = QList<Entry>;

// The line of a result, made from the entry's line in the full list.
QString resultLine(const QString &fullLine, const QString &description)
{
    return description + ": " + fullLine.mid(description.size() + 1);
}

} // namespace

Q_DECLARE_METATYPE(Entries)

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void search_data();
    void search();
    void sameSearchTwice();
    void emptySearchRestoresTheFullList();
    void enterInTheSearchFieldDoesNotSearch();
    void addAfterSearchShowsTheFullList();
    void deleteWhileFiltered_data();
    void deleteWhileFiltered();

private:
    QStringList addAll(const Entries &entries);

    std::unique_ptr<WindowDriver> driver;
};

void TestSearch::init()
{
    driver = std::make_unique<WindowDriver>();
}

void TestSearch::cleanup()
{
    driver.reset();
}

QStringList TestSearch::addAll(const Entries &entries)
{
    for (const Entry &entry : entries)
        driver->add(entry.description, entry.amount);
    return driver->lines();
}

void TestSearch::search_data()
{
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("matches");

    const QStringList mixedCase{"AB", "b a", "Ab", "xaBy", "ba", "ab"};
    QTest::newRow("lower finds any case") << mixedCase << "ab" << QList<int>{0, 2, 3, 5};
    QTest::newRow("upper finds any case") << mixedCase << "AB" << QList<int>{0, 2, 3, 5};
    QTest::newRow("whole description") << mixedCase << "xaby" << QList<int>{3};
    QTest::newRow("chinese matches exactly")
        << QStringList{"午饭", "晚饭", "早午餐", "饭"} << "午" << QList<int>{0, 2};
    QTest::newRow("no match") << mixedCase << "zz" << QList<int>{};
    QTest::newRow("leading space counts")
        << QStringList{"tea", " tea", "green tea", "teapot"} << " tea" << QList<int>{1, 2};
    QTest::newRow("trailing space counts")
        << QStringList{"tea", "tea time", "teatime"} << "tea " << QList<int>{1};
    QTest::newRow("only a space") << QStringList{"tea", "tea time", " "} << " " << QList<int>{1, 2};
    QTest::newRow("amount text never matches")
        << QStringList{"tea", "cake"} << "12.5" << QList<int>{};
    QTest::newRow("separator never matches") << QStringList{"tea", "cake"} << ":" << QList<int>{};
    QTest::newRow("at matches the description only")
        << QStringList{"cat", "dog", "AT"} << "at" << QList<int>{0, 2};
    QTest::newRow("time text never matches")
        << QStringList{"tea", "cake"} << QString::number(QDate::currentDate().year())
        << QList<int>{};
}

void TestSearch::search()
{
    QFETCH(QStringList, descriptions);
    QFETCH(QString, text);
    QFETCH(QList<int>, matches);

    Entries entries;
    for (const QString &description : descriptions)
        entries.append({description, 12.5});
    const QStringList full = addAll(entries);

    driver->typeSearch(text);
    driver->clickSearch();

    QStringList expected;
    for (const int match : matches)
        expected.append(resultLine(full.at(match), descriptions.at(match)));
    QCOMPARE(driver->lines(), expected);
    QCOMPARE(driver->search->text(), text);
}

void TestSearch::sameSearchTwice()
{
    addAll({{"tea", 1}, {"cake", 2}, {"Tea time", 3}});
    driver->typeSearch("tea");
    driver->clickSearch();
    const QStringList first = driver->lines();
    QCOMPARE(first.size(), 2);

    driver->clickSearch();
    QCOMPARE(driver->lines(), first);
}

void TestSearch::emptySearchRestoresTheFullList()
{
    const QStringList full = addAll({{"tea", 1}, {"cake", 2}, {"Tea time", 3}});
    driver->typeSearch("cake");
    driver->clickSearch();
    QCOMPARE(driver->lines().size(), 1);

    driver->typeSearch(QString());
    driver->clickSearch();
    QCOMPARE(driver->lines(), full);
}

void TestSearch::enterInTheSearchFieldDoesNotSearch()
{
    const QStringList full = addAll({{"tea", 1}, {"cake", 2}});
    driver->typeSearch("cake");
    QTest::keyClick(driver->search, Qt::Key_Return);
    QTest::keyClick(driver->search, Qt::Key_Enter);
    QCOMPARE(driver->lines(), full);
}

void TestSearch::addAfterSearchShowsTheFullList()
{
    addAll({{"tea", 1}, {"cake", 2}});
    driver->typeSearch("cake");
    driver->clickSearch();

    driver->add("bread", 3);
    const QStringList lines = driver->lines();
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).startsWith("tea:1 at "));
    QVERIFY(lines.at(1).startsWith("cake:2 at "));
    QVERIFY(lines.at(2).startsWith("bread:3 at "));
    QCOMPARE(driver->search->text(), QString("cake"));
}

void TestSearch::deleteWhileFiltered_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("removed");

    const Entries mixed{{"Tea", 1}, {"cake", 2}, {"green tea", 3}, {"bread", 4}, {"TEA", 5}};
    QTest::newRow("first match") << mixed << "tea" << 0 << 0;
    QTest::newRow("middle match") << mixed << "tea" << 1 << 2;
    QTest::newRow("last match") << mixed << "tea" << 2 << 4;
    QTest::newRow("only match") << mixed << "bread" << 0 << 3;

    const Entries equal{{"cake", 1}, {"tea", 2}, {"tea", 3}, {"cake", 4}, {"tea", 5}};
    QTest::newRow("equal descriptions, first") << equal << "tea" << 0 << 1;
    QTest::newRow("equal descriptions, middle") << equal << "tea" << 1 << 2;
    QTest::newRow("equal descriptions, last") << equal << "tea" << 2 << 4;
}

void TestSearch::deleteWhileFiltered()
{
    QFETCH(Entries, entries);
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(int, removed);

    QStringList expected = addAll(entries);
    driver->typeSearch(text);
    driver->clickSearch();
    const QStringList results = driver->lines();
    QVERIFY(row < results.size());
    QCOMPARE(results.at(row), resultLine(expected.at(removed), entries.at(removed).description));

    driver->pickRow(row);
    driver->clickClear();

    expected.removeAt(removed);
    QCOMPARE(driver->lines(), expected);
    QCOMPARE(driver->search->text(), text);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
