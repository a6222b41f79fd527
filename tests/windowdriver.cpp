#include "windowdriver.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

template<typename T>
T *child(MainWindow &window, const char *objectName)
{
    auto *found = window.findChild<T *>(QLatin1String(objectName));
    if (!found)
        qFatal("the main window has no %s named %s", T::staticMetaObject.className(), objectName);
    return found;
}

void failOnMessageBox(const std::optional<SeenMessageBox> &box)
{
    if (box)
        QFAIL(qPrintable(QLatin1String("unexpected message box: ") + box->text));
}

QStringList linesOf(const QListView *list)
{
    QStringList lines;
    const QAbstractItemModel *model = list->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines.append(model->index(row, 0).data().toString());
    return lines;
}

} // namespace

bool ClickTime::covers(const QString &timeText) const
{
    const QDateTime last = after.addSecs(1);
    for (QDateTime second = before; second < last; second = second.addSecs(1)) {
        if (second.toString(Qt::TextDate) == timeText)
            return true;
    }
    return false;
}

void retype(QWidget *editor, const QString &text)
{
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Delete);
    for (const QChar c : text) {
        // QTest::keyClicks only understands Latin-1; other characters travel as event text.
        if (c.unicode() < 0x80)
            QTest::keyClick(editor, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

WindowDriver::WindowDriver()
    : description(child<QLineEdit>(window, "lineEditDescription")),
      amount(child<QDoubleSpinBox>(window, "amountSpinBox")),
      search(child<QLineEdit>(window, "searchLineEdit")),
      list(child<QListView>(window, "listView")),
      buttonAdd(child<QPushButton>(window, "buttonAdd")),
      buttonClear(child<QPushButton>(window, "buttonClear")),
      buttonSearch(child<QPushButton>(window, "buttonSearch"))
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("the main window was never exposed");
}

void WindowDriver::typeDescription(const QString &text)
{
    retype(description, text);
}

void WindowDriver::typeAmount(double value)
{
    QString text = QString::number(value, 'f', 2);
    text.replace(QLatin1Char('.'), amount->locale().decimalPoint());
    retype(amount, text);
}

void WindowDriver::typeSearch(const QString &text)
{
    retype(search, text);
}

ClickTime WindowDriver::clickAdd()
{
    ClickTime time;
    time.before = QDateTime::currentDateTime();
    failOnMessageBox(click(buttonAdd));
    time.after = QDateTime::currentDateTime();
    return time;
}

void WindowDriver::clickClear()
{
    failOnMessageBox(click(buttonClear));
}

void WindowDriver::clickSearch()
{
    failOnMessageBox(click(buttonSearch));
}

void WindowDriver::pickRow(int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(index).center());
}

void WindowDriver::add(const QString &text, double value)
{
    typeDescription(text);
    typeAmount(value);
    clickAdd();
}

QStringList WindowDriver::lines() const
{
    return linesOf(list);
}

int WindowDriver::currentRow() const
{
    return list->currentIndex().row();
}

std::optional<SeenMessageBox> WindowDriver::click(QAbstractButton *button)
{
    std::optional<SeenMessageBox> seen;
    bool looked = false;
    // The box runs its own event loop, in which this timer fires while the box is open.
    QTimer::singleShot(0, list, [this, &seen, &looked] {
        looked = true;
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            seen.emplace();
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            seen->standardButtons = box->standardButtons();
            seen->buttonCount = box->buttons().size();
            seen->modal = box->isModal();
            seen->parent = box->parentWidget();
            seen->linesWhileOpen = linesOf(list);
        }
        modal->close();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    if (!QTest::qWaitFor([&looked] { return looked; }))
        qFatal("the message box check never ran");
    return seen;
}
