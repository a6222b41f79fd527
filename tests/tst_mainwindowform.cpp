#include "mainwindow/mainwindow.h"
#include "mainwindow/mainwindowform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMetaMethod>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <memory>

class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void titleAndSize();
    void nothingBeyondTheForm();
    void objects_data();
    void objects();
    void layoutOrder_data();
    void layoutOrder();
    void captions_data();
    void captions();
    void startsEmpty();
    void amountField();
    void listSelectsOneRow();
    void focusOrder();
    void slotsInIndexOrder();
    void setUpNamesOnlyAnUnnamedWindow_data();
    void setUpNamesOnlyAnUnnamedWindow();

private:
    template<typename T = QObject>
    T *object(const QString &name) const
    {
        return window->findChild<T *>(name);
    }

    std::unique_ptr<MainWindow> window;
};

void TestMainWindowForm::init()
{
    window = std::make_unique<MainWindow>();
}

void TestMainWindowForm::cleanup()
{
    window.reset();
}

void TestMainWindowForm::titleAndSize()
{
    QCOMPARE(window->objectName(), QString("MainWindow"));
    QCOMPARE(window->windowTitle(), QString("记账软件"));
    QCOMPARE(window->size(), QSize(800, 600));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->size(), QSize(800, 600));
}

void TestMainWindowForm::nothingBeyondTheForm()
{
    QVERIFY(!window->menuWidget());
    QVERIFY(!window->findChild<QMenuBar *>());
    QVERIFY(!window->findChild<QToolBar *>());
    QVERIFY(!window->findChild<QStatusBar *>());
    QVERIFY(window->styleSheet().isEmpty());
    for (const QLabel *label : window->findChildren<QLabel *>())
        QVERIFY2(!label->buddy(), qPrintable(label->objectName()));
    for (const QLineEdit *edit : window->findChildren<QLineEdit *>())
        QVERIFY2(edit->placeholderText().isEmpty(), qPrintable(edit->objectName()));
}

void TestMainWindowForm::objects_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    const QString window("MainWindow");
    const QString central("centralwidget");
    const QString vertical("verticalLayout");
    QTest::newRow("centralwidget") << "QWidget" << window;
    QTest::newRow("verticalLayout") << "QVBoxLayout" << central;
    QTest::newRow("descriptionLayout") << "QHBoxLayout" << vertical;
    QTest::newRow("labelLineEdit") << "QLabel" << central;
    QTest::newRow("lineEditDescription") << "QLineEdit" << central;
    QTest::newRow("amountLayout") << "QHBoxLayout" << vertical;
    QTest::newRow("labelAmount") << "QLabel" << central;
    QTest::newRow("amountSpinBox") << "QDoubleSpinBox" << central;
    QTest::newRow("searchLayout") << "QHBoxLayout" << vertical;
    QTest::newRow("labelSearch") << "QLabel" << central;
    QTest::newRow("searchLineEdit") << "QLineEdit" << central;
    QTest::newRow("buttonSearch") << "QPushButton" << central;
    QTest::newRow("listView") << "QListView" << central;
    QTest::newRow("buttonLayout") << "QHBoxLayout" << vertical;
    QTest::newRow("buttonAdd") << "QPushButton" << central;
    QTest::newRow("buttonClear") << "QPushButton" << central;
}

void TestMainWindowForm::objects()
{
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    const QString name = QTest::currentDataTag();

    const QList<QObject *> named = window->findChildren<QObject *>(name);
    QCOMPARE(named.size(), 1);
    QCOMPARE(QString::fromLatin1(named.first()->metaObject()->className()), className);
    QVERIFY(named.first()->parent());
    QCOMPARE(named.first()->parent()->objectName(), parentName);
}

void TestMainWindowForm::layoutOrder_data()
{
    QTest::addColumn<QStringList>("items");

    QTest::newRow("verticalLayout") << QStringList{"descriptionLayout", "amountLayout",
                                                   "searchLayout", "listView", "buttonLayout"};
    QTest::newRow("descriptionLayout") << QStringList{"labelLineEdit", "lineEditDescription"};
    QTest::newRow("amountLayout") << QStringList{"labelAmount", "amountSpinBox"};
    QTest::newRow("searchLayout") << QStringList{"labelSearch", "searchLineEdit", "buttonSearch"};
    QTest::newRow("buttonLayout") << QStringList{"buttonAdd", "buttonClear"};
}

void TestMainWindowForm::layoutOrder()
{
    QFETCH(QStringList, items);

    const auto *layout = object<QBoxLayout>(QTest::currentDataTag());
    QVERIFY(layout);
    QCOMPARE(layout->count(), items.size());
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        const QObject *inside = item->widget() ? static_cast<QObject *>(item->widget())
                                               : static_cast<QObject *>(item->layout());
        QVERIFY(inside);
        QCOMPARE(inside->objectName(), items.at(i));
        QCOMPARE(layout->stretch(i), 0);
        QCOMPARE(item->alignment(), Qt::Alignment());
    }
    QCOMPARE(object<QWidget>("centralwidget")->layout(), object<QLayout>("verticalLayout"));
    QCOMPARE(window->centralWidget(), object<QWidget>("centralwidget"));
}

void TestMainWindowForm::captions_data()
{
    QTest::addColumn<QString>("caption");

    QTest::newRow("labelLineEdit") << "描述:";
    QTest::newRow("labelAmount") << "金额:";
    QTest::newRow("labelSearch") << "搜索记录:";
    QTest::newRow("buttonSearch") << "搜索";
    QTest::newRow("buttonAdd") << "添加记录";
    QTest::newRow("buttonClear") << "清除记录";
}

void TestMainWindowForm::captions()
{
    QFETCH(QString, caption);

    const QObject *widget = object(QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->property("text").toString(), caption);
}

void TestMainWindowForm::startsEmpty()
{
    QVERIFY(object<QLineEdit>("lineEditDescription")->text().isEmpty());
    QVERIFY(object<QLineEdit>("searchLineEdit")->text().isEmpty());
    QCOMPARE(object<QDoubleSpinBox>("amountSpinBox")->value(), 0.0);
    const auto *list = object<QListView>("listView");
    QVERIFY(list->model());
    QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(!list->currentIndex().isValid());
}

void TestMainWindowForm::amountField()
{
    const auto *amount = object<QDoubleSpinBox>("amountSpinBox");
    QCOMPARE(amount->decimals(), 2);
    QCOMPARE(amount->minimum(), 0.0);
    QCOMPARE(amount->maximum(), 999999.99);
    QCOMPARE(amount->singleStep(), 1.0);
    QCOMPARE(amount->value(), 0.0);
    QCOMPARE(amount->text(), amount->locale().toString(0.0, 'f', 2));
}

void TestMainWindowForm::listSelectsOneRow()
{
    QCOMPARE(object<QListView>("listView")->selectionMode(), QAbstractItemView::SingleSelection);
}

void TestMainWindowForm::focusOrder()
{
    // The window's own focus widget is the one that has the keyboard focus while the window is
    // active. It is followed here rather than the application's, so that no active window is
    // needed: on Wayland only the compositor activates windows, and a headless one never does.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    const QStringList order{
        "lineEditDescription", "amountSpinBox", "searchLineEdit",      "buttonSearch", "listView",
        "buttonAdd",           "buttonClear",   "lineEditDescription",
    };
    object<QWidget>(order.first())->setFocus(Qt::OtherFocusReason);
    QCOMPARE(window->focusWidget(), object<QWidget>(order.first()));
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        QVERIFY(window->focusWidget());
        QCOMPARE(window->focusWidget()->objectName(), order.at(i));
    }
}

void TestMainWindowForm::slotsInIndexOrder()
{
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.className(), "MainWindow");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
    QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());
    QCOMPARE(meta.constructorCount(), 0);

    const QList<QByteArray> names{"on_buttonAdd_clicked", "on_buttonClear_clicked",
                                  "on_buttonSearch_clicked"};
    QCOMPARE(meta.methodCount() - meta.methodOffset(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.name(), names.at(i));
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.parameterCount(), 0);
        QCOMPARE(method.returnMetaType(), QMetaType::fromType<void>());
    }
}

void TestMainWindowForm::setUpNamesOnlyAnUnnamedWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unnamed") << QString() << "MainWindow";
    const QString name("ledger");
    QTest::newRow("named") << name << name;
}

void TestMainWindowForm::setUpNamesOnlyAnUnnamedWindow()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);

    QMainWindow plain;
    plain.setObjectName(name);
    MainWindowForm form;
    form.setUp(&plain);
    QCOMPARE(plain.objectName(), expected);
    QCOMPARE(plain.centralWidget(), form.centralwidget);
    QCOMPARE(plain.windowTitle(), QString("记账软件"));
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
