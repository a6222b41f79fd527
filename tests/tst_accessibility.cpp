#include "windowdriver.h"

#include <QAccessible>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// The texts a screen reader can read from an interface and its descendants.
QStringList textsBelow(QAccessibleInterface *interface)
{
    QStringList texts{interface->text(QAccessible::Name), interface->text(QAccessible::Value),
                      interface->text(QAccessible::Description)};
    for (int i = 0; i < interface->childCount(); ++i)
        texts += textsBelow(interface->child(i));
    return texts;
}

// Sends a key as a keyboard does: to whatever widget of `window` has the focus.
void press(QWidget *window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *focus = window->focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, key, modifiers);
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyFocusableControlIsNamed();
    void controls_data();
    void controls();
    void amountExposesItsValue();
    void rowsReadAsTheirLines();
    void currentRowIsReported();
    void warningsReadWithFocusOnOk_data();
    void warningsReadWithFocusOnOk();
    void keyboardAlone();

private:
    std::unique_ptr<WindowDriver> driver;
};

void TestAccessibility::init()
{
    driver = std::make_unique<WindowDriver>();
}

void TestAccessibility::cleanup()
{
    driver.reset();
}

void TestAccessibility::everyFocusableControlIsNamed()
{
    // As a screen reader walks the window: through the accessible tree, not the widget tree.
    QList<QAccessibleInterface *> pending{accessible(&driver->window)};
    int focusable = 0;
    while (!pending.isEmpty()) {
        QAccessibleInterface *node = pending.takeLast();
        for (int i = 0; i < node->childCount(); ++i)
            pending.append(node->child(i));
        if (node->state().focusable && !node->state().invisible
            && node->role() != QAccessible::ListItem) {
            ++focusable;
            QVERIFY2(!node->text(QAccessible::Name).isEmpty(),
                     qPrintable(node->object()->objectName()));
        }
    }
    QCOMPARE(focusable, 7);
}

void TestAccessibility::controls_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("name");

    QTest::newRow("description") << "lineEditDescription" << QAccessible::EditableText
                                 << "labelLineEdit"
                                 << "描述";
    QTest::newRow("amount") << "amountSpinBox" << QAccessible::SpinBox << "labelAmount"
                            << "金额";
    QTest::newRow("search") << "searchLineEdit" << QAccessible::EditableText << "labelSearch"
                            << "搜索记录";
    QTest::newRow("search button") << "buttonSearch" << QAccessible::Button << ""
                                   << "搜索";
    QTest::newRow("list") << "listView" << QAccessible::List << ""
                          << "记录列表";
    QTest::newRow("add button") << "buttonAdd" << QAccessible::Button << ""
                                << "添加记录";
    QTest::newRow("delete button") << "buttonClear" << QAccessible::Button << ""
                                   << "清除记录";
}

void TestAccessibility::controls()
{
    QFETCH(QString, object);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, label);
    QFETCH(QString, name);

    auto *widget = driver->window.findChild<QWidget *>(object);
    QVERIFY(widget);
    QAccessibleInterface *interface = accessible(widget);
    QCOMPARE(interface->role(), role);
    QCOMPARE(interface->text(QAccessible::Name), name);
    QVERIFY(!interface->state().invisible);
    QVERIFY(interface->state().focusable);
    if (!label.isEmpty()) {
        // A field is named after the caption the eye reads beside it.
        auto *caption = driver->window.findChild<QLabel *>(label);
        QVERIFY(caption);
        QCOMPARE(caption->text(), name + QLatin1Char(':'));
        QVERIFY(!caption->buddy());
    }
}

void TestAccessibility::amountExposesItsValue()
{
    QAccessibleValueInterface *value = accessible(driver->amount)->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toDouble(), 0.0);
    QCOMPARE(value->minimumValue().toDouble(), 0.0);
    QCOMPARE(value->maximumValue().toDouble(), 999999.99);
    driver->typeAmount(12.5);
    QCOMPARE(value->currentValue().toDouble(), 12.5);
    QCOMPARE(accessible(driver->amount)->text(QAccessible::Value), driver->amount->text());
}

void TestAccessibility::rowsReadAsTheirLines()
{
    driver->add("coffee", 3);
    driver->add("午饭", 12.5);
    driver->add("Coffee beans", 20);
    driver->typeSearch("COFFEE");
    driver->clickSearch();

    QAccessibleInterface *list = accessible(driver->list);
    const QStringList lines = driver->lines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(list->childCount(), lines.size());
    for (int row = 0; row < lines.size(); ++row) {
        QAccessibleInterface *item = list->child(row);
        QCOMPARE(item->role(), QAccessible::ListItem);
        QCOMPARE(item->text(QAccessible::Name), lines.at(row));
    }
}

void TestAccessibility::currentRowIsReported()
{
    driver->add("first", 1);
    driver->add("second", 2);
    driver->pickRow(0);
    QTest::keyClick(driver->list, Qt::Key_Down);

    QCOMPARE(driver->currentRow(), 1);
    const QAccessible::State row = accessible(driver->list)->child(1)->state();
    QVERIFY(row.selected);
    // Only an active window has a focused widget, and a headless Wayland compositor activates
    // none.
    if (driver->window.isActiveWindow())
        QVERIFY(row.focused);
}

void TestAccessibility::warningsReadWithFocusOnOk_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty description") << "buttonAdd"
                                       << "输入错误"
                                       << "标签不能为空！";
    QTest::newRow("no current row") << "buttonClear"
                                    << "删除错误"
                                    << "请选择要删除的项！";
}

void TestAccessibility::warningsReadWithFocusOnOk()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(QString, text);

    auto *pushButton = driver->window.findChild<QPushButton *>(button);
    QVERIFY(pushButton);
    bool focusOnOk = false;
    QAccessible::Role role = QAccessible::NoRole;
    QStringList texts;
    QWidget *box = nullptr;
    QTimer::singleShot(0, &driver->window, [&] {
        box = QApplication::activeModalWidget();
        if (!box)
            return;
        QAccessibleInterface *interface = accessible(box);
        role = interface->role();
        texts = textsBelow(interface);
        auto *ok = qobject_cast<QPushButton *>(box->focusWidget());
        focusOnOk = ok && ok->text().remove(QLatin1Char('&')) == QLatin1String("OK");
        // Dismissed from the keyboard; closed outright should the key not do it.
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
        if (QApplication::activeModalWidget() == box)
            box->close();
    });
    pushButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pushButton, Qt::Key_Space);

    QVERIFY2(box, "no warning came up");
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY2(role == QAccessible::AlertMessage || role == QAccessible::Dialog,
             qPrintable(QString::number(role, 16)));
    QVERIFY2(texts.contains(title), qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY2(texts.contains(text), qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY(focusOnOk);
}

void TestAccessibility::keyboardAlone()
{
    QWidget *window = &driver->window;
    if (!QTest::qWaitFor([window] { return window->isActiveWindow(); }, 1000)) {
        // What QSKIP does, whose one-argument form is a C++20 extension to Clang.
        QTest::qSkip("Keys reach only an active window, and a headless Wayland compositor has "
                     "no keyboard and activates none",
                     __FILE__, __LINE__);
        return;
    }
    QCOMPARE(window->focusWidget(), driver->description);
    QTest::keyClicks(driver->description, "lunch");
    press(window, Qt::Key_Tab);
    QCOMPARE(window->focusWidget(), driver->amount);
    QTest::keyClicks(driver->amount, "12");
    // To the add button, past the search field, its button and the list.
    for (int i = 0; i < 4; ++i)
        press(window, Qt::Key_Tab);
    QCOMPARE(window->focusWidget(), driver->buttonAdd);
    press(window, Qt::Key_Space);
    press(window, Qt::Key_Space);
    QCOMPARE(driver->lines().size(), 2);
    QVERIFY(driver->lines().at(0).startsWith("lunch:12 at "));

    // Search, then clear the search, from the search field and its button.
    for (int i = 0; i < 3; ++i)
        press(window, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(window->focusWidget(), driver->search);
    QTest::keyClicks(driver->search, "x");
    press(window, Qt::Key_Tab);
    QCOMPARE(window->focusWidget(), driver->buttonSearch);
    press(window, Qt::Key_Space);
    QCOMPARE(driver->lines(), QStringList());
    press(window, Qt::Key_Backtab, Qt::ShiftModifier);
    press(window, Qt::Key_Backspace);
    press(window, Qt::Key_Tab);
    press(window, Qt::Key_Space);
    QCOMPARE(driver->lines().size(), 2);

    // Into the list, which makes its first row current, down to the second, and delete it.
    press(window, Qt::Key_Tab);
    QCOMPARE(window->focusWidget(), driver->list);
    QCOMPARE(driver->currentRow(), 0);
    press(window, Qt::Key_Down);
    QCOMPARE(driver->currentRow(), 1);
    press(window, Qt::Key_Tab);
    press(window, Qt::Key_Tab);
    QCOMPARE(window->focusWidget(), driver->buttonClear);
    press(window, Qt::Key_Space);
    QCOMPARE(driver->lines().size(), 1);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
