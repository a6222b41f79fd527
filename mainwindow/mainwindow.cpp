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
        QMessageBox::warning(this, QString::fromUtf8("输入错误"),
                             QString::fromUtf8("标签不能为空！"));
        return;
    }
    append({description, amount, QDateTime::currentDateTime()});
    refreshList();
}

void MainWindow::on_buttonClear_clicked()
{
    const QModelIndex current = form->listView->currentIndex();
    if (!current.isValid()) {
        QMessageBox::warning(this, QString::fromUtf8("删除错误"),
                             QString::fromUtf8("请选择要删除的项！"));
        return;
    }
    // While search results are shown, the row is not the record's position.
    const qsizetype position = shownRecords.at(current.row());
    records.removeAt(position);
    lines.removeAt(position);
    refreshList();
}

void MainWindow::on_buttonSearch_clicked()
{
    const QString text = form->searchLineEdit->text();
    if (text.isEmpty()) {
        refreshList();
        return;
    }
    showRecords(&RecordLines::searchResult, [&text](const Record &record) {
        return record.description.contains(text, Qt::CaseInsensitive);
    });
}

void MainWindow::append(const Record &record)
{
    records.append(record);
    lines.append(RecordLines(record));
}

void MainWindow::refreshList()
{
    showRecords(&RecordLines::fullList, [](const Record &) { return true; });
}

void MainWindow::showRecords(QString RecordLines::*line,
                             const std::function<bool(const Record &)> &shows)
{
    model->clear();
    shownRecords.clear();
    for (qsizetype position = 0; position < records.size(); ++position) {
        if (shows(records.at(position))) {
            model->appendRow(new QStandardItem(lines.at(position).*line));
            shownRecords.append(position);
        }
    }
}
