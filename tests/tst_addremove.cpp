#include "windowdriver.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

class TestAddRemove : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addShowsTheEntry_data();
    void addShowsTheEntry();
    void addKeepsOrder();
    void equalEntriesAreBothKept();
    void emptyDescriptionWarns();
    void deleteWithoutCurrentRowWarns_data();
    void deleteWithoutCurrentRowWarns();
    void deleteRemovesThePickedRow_data();
    void deleteRemovesThePickedRow();
    void deleteTwiceWarnsTheSecondTime();

private:
    void expectWarning(QPushButton *button, const QString &title, const QString &text);

    std::unique_ptr<WindowDriver> driver;
};

void TestAddRemove::init()
{
    driver = std::make_unique<WindowDriver>();
}

void TestAddRemove::cleanup()
{
    driver.reset();
}

void TestAddRemove::expectWarning(QPushButton *button, const QString &title, const QString &text)
{
    const QStringList before = driver->lines();
    const std::optional<SeenMessageBox> box = driver->click(button);
    if (!box)
        QFAIL("no message box came up");
    QCOMPARE(box->title, title);
    QCOMPARE(box->text, text);
    QCOMPARE(box->icon, QMessageBox::Warning);
    QCOMPARE(box->standardButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box->buttonCount, 1);
    QVERIFY(box->modal);
    QCOMPARE(box->parent, &driver->window);
    QCOMPARE(box->linesWhileOpen, before);
    QCOMPARE(driver->lines(), before);
}

void TestAddRemove::addShowsTheEntry_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("amountText");

    QTest::newRow("latin") << "coffee" << 12.5 << "12.5";
    QTest::newRow("chinese") << "午饭" << 1234.56 << "1234.56";
    QTest::newRow("spaces only") << "   " << 3.0 << "3";
    QTest::newRow("zero amount") << "gift" << 0.0 << "0";
    QTest::newRow("largest amount") << "house" << 999999.99 << "1e+06";
    QTest::newRow("rounded to six digits") << "car" << 123456.78 << "123457";
    QTest::newRow("colon and at") << "a:b at c" << 1.0 << "1";
    QTest::newRow("leading and trailing spaces") << " tea " << 2.0 << "2";
}

void TestAddRemove::addShowsTheEntry()
{
    QFETCH(QString, description);
    QFETCH(double, amount);
    QFETCH(QString, amountText);

    driver->typeDescription(description);
    driver->typeAmount(amount);
    driver->typeSearch("kept");
    const ClickTime time = driver->clickAdd();

    const QStringList lines = driver->lines();
    QCOMPARE(lines.size(), 1);
    const QString prefix = description + ":" + amountText + " at ";
    QVERIFY2(lines.first().startsWith(prefix), qPrintable(lines.first()));
    QVERIFY2(time.covers(lines.first().mid(prefix.size())), qPrintable(lines.first()));

    QCOMPARE(driver->description->text(), description);
    QCOMPARE(driver->amount->value(), amount);
    QCOMPARE(driver->search->text(), QString("kept"));
}

void TestAddRemove::addKeepsOrder()
{
    const QStringList descriptions{"rent", "午饭", "Bus", "a", "rent"};
    for (const QString &description : descriptions)
        driver->add(description, 1.5);

    const QStringList lines = driver->lines();
    QCOMPARE(lines.size(), descriptions.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(descriptions.at(i) + ":1.5 at "), qPrintable(lines.at(i)));
}

void TestAddRemove::equalEntriesAreBothKept()
{
    driver->typeDescription("bread");
    driver->typeAmount(2.5);
    const ClickTime first = driver->clickAdd();
    const ClickTime second = driver->clickAdd();

    const QStringList lines = driver->lines();
    QCOMPARE(lines.size(), 2);
    const QString prefix("bread:2.5 at ");
    QVERIFY(lines.at(0).startsWith(prefix));
    QVERIFY(lines.at(1).startsWith(prefix));
    QVERIFY(first.covers(lines.at(0).mid(prefix.size())));
    QVERIFY(second.covers(lines.at(1).mid(prefix.size())));
}

void TestAddRemove::emptyDescriptionWarns()
{
    driver->add("rent", 100);
    driver->typeDescription(QString());
    driver->typeAmount(42);

    expectWarning(driver->buttonAdd, "输入错误", "标签不能为空！");
    QCOMPARE(driver->lines().size(), 1);
    QVERIFY(driver->description->text().isEmpty());
    QCOMPARE(driver->amount->value(), 42.0);
}

void TestAddRemove::deleteWithoutCurrentRowWarns_data()
{
    QTest::addColumn<int>("entries");

    QTest::newRow("empty list") << 0;
    QTest::newRow("nothing picked") << 3;
}

void TestAddRemove::deleteWithoutCurrentRowWarns()
{
    QFETCH(int, entries);

    for (int i = 0; i < entries; ++i)
        driver->add(QString::number(i), i);

    expectWarning(driver->buttonClear, "删除错误", "请选择要删除的项！");
    QCOMPARE(driver->lines().size(), entries);
}

void TestAddRemove::deleteRemovesThePickedRow_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("row");

    QTest::newRow("first") << 4 << 0;
    QTest::newRow("middle") << 4 << 2;
    QTest::newRow("last") << 4 << 3;
    QTest::newRow("only") << 1 << 0;
}

void TestAddRemove::deleteRemovesThePickedRow()
{
    QFETCH(int, entries);
    QFETCH(int, row);

    for (int i = 0; i < entries; ++i)
        driver->add(QStringLiteral("entry %1").arg(i), i);
    QStringList expected = driver->lines();

    driver->pickRow(row);
    QCOMPARE(driver->currentRow(), row);
    driver->clickClear();

    expected.removeAt(row);
    QCOMPARE(driver->lines(), expected);
}

void TestAddRemove::deleteTwiceWarnsTheSecondTime()
{
    for (const char *description : {"a", "b", "c"})
        driver->add(description, 1);
    QStringList expected = driver->lines();

    driver->pickRow(1);
    driver->clickClear();
    expected.removeAt(1);
    QCOMPARE(driver->lines(), expected);
    QCOMPARE(driver->currentRow(), -1);

    expectWarning(driver->buttonClear, "删除错误", "请选择要删除的项！");
    QCOMPARE(driver->lines(), expected);
}

QTEST_MAIN(TestAddRemove)
#include "tst_addremove.moc"
