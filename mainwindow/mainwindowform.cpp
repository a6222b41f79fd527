#include "mainwindowform.h"

#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Object names are what connects the buttons to the window's slots, so every object gets its
// name the moment it exists.
template<typename T>
T *create(const char *objectName, QWidget *parent = nullptr)
{
    auto *object = new T(parent);
    object->setObjectName(QLatin1String(objectName));
    return object;
}

} // namespace

void MainWindowForm::setUp(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QLatin1String("MainWindow"));
    window->resize(800, 600);

    centralwidget = create<QWidget>("centralwidget", window);
    verticalLayout = create<QVBoxLayout>("verticalLayout", centralwidget);

    descriptionLayout = create<QHBoxLayout>("descriptionLayout");
    labelLineEdit = create<QLabel>("labelLineEdit", centralwidget);
    descriptionLayout->addWidget(labelLineEdit);
    lineEditDescription = create<QLineEdit>("lineEditDescription", centralwidget);
    descriptionLayout->addWidget(lineEditDescription);
    verticalLayout->addLayout(descriptionLayout);

    amountLayout = create<QHBoxLayout>("amountLayout");
    labelAmount = create<QLabel>("labelAmount", centralwidget);
    amountLayout->addWidget(labelAmount);
    amountSpinBox = create<QDoubleSpinBox>("amountSpinBox", centralwidget);
    amountSpinBox->setDecimals(2);
    amountSpinBox->setMinimum(0);
    amountSpinBox->setMaximum(999999.99);
    amountLayout->addWidget(amountSpinBox);
    verticalLayout->addLayout(amountLayout);

    searchLayout = create<QHBoxLayout>("searchLayout");
    labelSearch = create<QLabel>("labelSearch", centralwidget);
    searchLayout->addWidget(labelSearch);
    searchLineEdit = create<QLineEdit>("searchLineEdit", centralwidget);
    searchLayout->addWidget(searchLineEdit);
    buttonSearch = create<QPushButton>("buttonSearch", centralwidget);
    searchLayout->addWidget(buttonSearch);
    verticalLayout->addLayout(searchLayout);

    listView = create<QListView>("listView", centralwidget);
    listView->setSelectionMode(QAbstractItemView::SingleSelection);
    verticalLayout->addWidget(listView);

    buttonLayout = create<QHBoxLayout>("buttonLayout");
    buttonAdd = create<QPushButton>("buttonAdd", centralwidget);
    buttonLayout->addWidget(buttonAdd);
    buttonClear = create<QPushButton>("buttonClear", centralwidget);
    buttonLayout->addWidget(buttonClear);
    verticalLayout->addLayout(buttonLayout);

    window->setCentralWidget(centralwidget);

    retranslate(window);

    QMetaObject::connectSlotsByName(window);
}

void MainWindowForm::retranslate(QMainWindow *window)
{
    window->setWindowTitle(QCoreApplication::translate("MainWindow", "记账软件", nullptr));
    labelLineEdit->setText(QCoreApplication::translate("MainWindow", "描述:", nullptr));
    labelAmount->setText(QCoreApplication::translate("MainWindow", "金额:", nullptr));
    labelSearch->setText(QCoreApplication::translate("MainWindow", "搜索记录:", nullptr));
    buttonSearch->setText(QCoreApplication::translate("MainWindow", "搜索", nullptr));
    buttonAdd->setText(QCoreApplication::translate("MainWindow", "添加记录", nullptr));
    buttonClear->setText(QCoreApplication::translate("MainWindow", "清除记录", nullptr));
    // No label is a field's buddy, so a screen reader learns each field's name from these.
    lineEditDescription->setAccessibleName(
        QCoreApplication::translate("MainWindow", "描述", nullptr));
    amountSpinBox->setAccessibleName(QCoreApplication::translate("MainWindow", "金额", nullptr));
    searchLineEdit->setAccessibleName(
        QCoreApplication::translate("MainWindow", "搜索记录", nullptr));
    listView->setAccessibleName(QCoreApplication::translate("MainWindow", "记录列表", nullptr));
}
