#include "windowdriver.h"

#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

namespace {

// An entry as the test expects to see it.
struct Entry
{
    QString description;
    QString amountText;
    QString timeText;
};

const QList<QChar> alphabet{u'a', u'A', u'b', u'B', u' ', u'午'};
const QList<double> amounts{0, 1.5, 12.5, 1234.56, 123456.78, 999999.99};
const QStringList amountTexts{"0", "1.5", "12.5", "1234.56", "123457", "1e+06"};

// Issues random commands through the window and keeps, in a plain list, what it should show.
class RandomSession
{
public:
    RandomSession(WindowDriver &driver, quint32 seed) : driver(driver), random(seed) { }

    QString command;

    void step();
    QStringList expectedLines();

private:
    QString randomText(int maxLength);
    void add();
    void remove();
    void search();

    WindowDriver &driver;
    QRandomGenerator random;
    QList<Entry> entries;
    QString filter; // the search whose results are shown, empty for the full list
    QList<int> shown; // the entries shown, by position in entries
    int amount = 0;
};

QString RandomSession::randomText(int maxLength)
{
    QString text;
    const int length = random.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i)
        text.append(alphabet.at(random.bounded(int(alphabet.size()))));
    return text;
}

void RandomSession::step()
{
    const int pick = random.bounded(100);
    if (pick < 45)
        add();
    else if (pick < 75)
        remove();
    else
        search();
}

void RandomSession::add()
{
    const QString description = randomText(4);
    command = "add \"" + description + "\"";
    driver.typeDescription(description);
    if (random.bounded(4) == 0) {
        amount = random.bounded(int(amounts.size()));
        driver.typeAmount(amounts.at(amount));
    }

    const QDateTime before = QDateTime::currentDateTime();
    const std::optional<SeenMessageBox> box = driver.click(driver.buttonAdd);
    const ClickTime time{before, QDateTime::currentDateTime()};
    QCOMPARE(bool(box), description.isEmpty());
    if (box)
        return;

    const QString prefix = description + ":" + amountTexts.at(amount) + " at ";
    const QString line = driver.lines().value(entries.size());
    const QString timeText = line.mid(prefix.size());
    QVERIFY2(line.startsWith(prefix) && time.covers(timeText), qPrintable(line));
    entries.append({description, amountTexts.at(amount), timeText});
    filter.clear();
}

void RandomSession::remove()
{
    if (shown.isEmpty() || random.bounded(5) == 0) {
        command = "delete with no current row";
        const std::optional<SeenMessageBox> box = driver.click(driver.buttonClear);
        if (!box)
            QFAIL("no message box came up");
        QCOMPARE(box->title, QString("删除错误"));
        return;
    }
    const int row = random.bounded(int(shown.size()));
    command = QStringLiteral("delete row %1").arg(row);
    driver.pickRow(row);
    driver.clickClear();
    entries.removeAt(shown.at(row));
    filter.clear();
}

void RandomSession::search()
{
    const QString text = randomText(2);
    command = "search \"" + text + "\"";
    driver.typeSearch(text);
    driver.clickSearch();
    filter = text;
}

QStringList RandomSession::expectedLines()
{
    shown.clear();
    QStringList lines;
    for (int i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries.at(i);
        // Over this alphabet, ignoring case is comparing lower-case forms.
        if (entry.description.toLower().contains(filter.toLower())) {
            shown.append(i);
            lines.append(entry.description + (filter.isEmpty() ? ":" : ": ") + entry.amountText
                         + " at " + entry.timeText);
        }
    }
    return lines;
}

} // namespace

class TestRandomized : public QObject
{
    Q_OBJECT

private slots:
    void commandsAgainstAPlainList();
};

// Set BOOKKEEPING_SEED to replay the sequence a failure reports.
void TestRandomized::commandsAgainstAPlainList()
{
    const quint32 seed = qEnvironmentVariableIsSet("BOOKKEEPING_SEED")
        ? quint32(qEnvironmentVariableIntValue("BOOKKEEPING_SEED"))
        : QRandomGenerator::global()->bounded(1U << 31);
    const int commands = 3000;

    WindowDriver driver;
    RandomSession session(driver, seed);

    for (int step = 0; step < commands; ++step) {
        session.step();
        const QString where = QStringLiteral("seed %1, command %2: ").arg(seed).arg(step);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(where + session.command));
        const QStringList expected = session.expectedLines();
        const QStringList lines = driver.lines();
        QVERIFY2(lines == expected,
                 qPrintable(where + session.command + "\nshown:    " + lines.join(" | ")
                            + "\nexpected: " + expected.join(" | ")));
    }
}

QTEST_MAIN(TestRandomized)
#include "tst_randomized.moc"
