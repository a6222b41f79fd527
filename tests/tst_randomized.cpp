#include "mainwindow/mainwindow.h"
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

QString randomText(QRandomGenerator &random, int maxLength)
{
    QString text;
    const int length = random.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i)
        text.append(alphabet.at(random.bounded(int(alphabet.size()))));
    return text;
}

// The same comparison as a user makes of the alphabet above: case is ignored.
bool matches(const Entry &entry, const QString &search)
{
    return entry.description.toLower().contains(search.toLower());
}

} // namespace

class TestRandomized : public QObject
{
    Q_OBJECT

private slots:
    void commandsAgainstAPlainList();
};

// Runs a seeded sequence of adds, deletes and searches through the widgets and compares the list
// after every command with what a plain list of the same entries predicts. Set BOOKKEEPING_SEED
// to replay a failing sequence.
void TestRandomized::commandsAgainstAPlainList()
{
    const quint32 seed = qEnvironmentVariableIsSet("BOOKKEEPING_SEED")
        ? quint32(qEnvironmentVariableIntValue("BOOKKEEPING_SEED"))
        : QRandomGenerator::global()->generate() & 0x7fffffff;
    QRandomGenerator random(seed);
    const int commands = 3000;

    MainWindow window;
    WindowDriver driver(window);

    QList<Entry> entries;
    QString filter;         // the search whose results are shown, empty for the full list
    QList<int> shown;       // the entries shown, by position in entries
    int amount = 0;

    for (int step = 0; step < commands; ++step) {
        const QString where = QStringLiteral("seed %1, command %2: ").arg(seed).arg(step);
        const int pick = random.bounded(100);
        QString command;

        if (pick < 45) {
            const QString description = randomText(random, 4);
            driver.typeDescription(description);
            if (random.bounded(4) == 0) {
                amount = random.bounded(int(amounts.size()));
                driver.typeAmount(amounts.at(amount));
            }
            command = "add \"" + description + "\"";
            const QDateTime before = QDateTime::currentDateTime();
            const std::optional<SeenMessageBox> box = driver.click(driver.buttonAdd);
            const ClickTime time{before, QDateTime::currentDateTime()};
            QVERIFY2(bool(box) == description.isEmpty(), qPrintable(where + command));
            if (!box) {
                const QString prefix = description + ":" + amountTexts.at(amount) + " at ";
                const QString line = driver.lines().value(entries.size());
                const QString timeText = line.mid(prefix.size());
                QVERIFY2(line.startsWith(prefix) && time.covers(timeText),
                         qPrintable(where + command + " shows " + line));
                entries.append({description, amountTexts.at(amount), timeText});
                filter.clear();
            }
        } else if (pick < 75) {
            if (!shown.isEmpty() && random.bounded(5) != 0) {
                const int row = random.bounded(int(shown.size()));
                command = QStringLiteral("delete row %1").arg(row);
                driver.pickRow(row);
                driver.clickClear();
                entries.removeAt(shown.at(row));
                filter.clear();
            } else {
                command = "delete with no current row";
                const std::optional<SeenMessageBox> box = driver.click(driver.buttonClear);
                QVERIFY2(box && box->title == "删除错误", qPrintable(where + command));
            }
        } else {
            const QString text = randomText(random, 2);
            command = "search \"" + text + "\"";
            driver.typeSearch(text);
            driver.clickSearch();
            filter = text;
        }

        shown.clear();
        QStringList expected;
        for (int i = 0; i < entries.size(); ++i) {
            const Entry &entry = entries.at(i);
            if (filter.isEmpty() || matches(entry, filter)) {
                shown.append(i);
                expected.append(entry.description + (filter.isEmpty() ? ":" : ": ")
                                + entry.amountText + " at " + entry.timeText);
            }
        }
        const QStringList lines = driver.lines();
        QVERIFY2(lines == expected,
                 qPrintable(where + command + "\nshown:    " + lines.join(" | ")
                            + "\nexpected: " + expected.join(" | ")));
    }
}

QTEST_MAIN(TestRandomized)
#include "tst_randomized.moc"
