#include "mainwindow.h"

#include "mainwindowform.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStandardItemModel>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form(new MainWindowForm), model(new QStandardItemModel(this))
{
    form->setUp(this);
    form->listView->setModel(model);
}

MainWindow::~MainWindow()
{
    delete form;
}

void MainWindow::on_buttonAdd_clicked()
{
    const QString description = form->lineEditDescription->text();
    const double amount = form->amountSpinBox->value();
    if (description.isEmpty()) {
        QMessageBox::warning(this, QString::fromUtf8("输入错误"), QString::fromUtf8("标签不能为空！"));
        return;
    }
    records.append({description, amount, QDateTime::currentDateTime()});
    refreshList();
}

void MainWindow::on_buttonClear_clicked()
{
    const QModelIndex current = form->listView->currentIndex();
    if (!current.isValid()) {
        QMessageBox::warning(this, QString::fromUtf8("删除错误"), QString::fromUtf8("请选择要删除的项！"));
        return;
    }
    records.removeAt(current.row());
    refreshList();
}

void MainWindow::on_buttonSearch_clicked()
{
    refreshList();
}

void MainWindow::refreshList()
{
    model->clear();
    for (const Record &record : std::as_const(records))
        model->appendRow(new QStandardItem(fullListLine(record)));
}
