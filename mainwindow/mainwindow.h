#pragma once

#include "records/record.h"

#include <QList>
#include <QMainWindow>

#include <functional>

class MainWindowForm;
class QStandardItemModel;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void on_buttonAdd_clicked();
    void on_buttonClear_clicked();
    void on_buttonSearch_clicked();

private:
    void refreshList();
    void showRecords(QString (*line)(const Record &),
                     const std::function<bool(const Record &)> &shows);

    MainWindowForm *form;
    QStandardItemModel *model;
    QList<Record> records;
    // For each row of the list, the position in records of the record it shows.
    QList<qsizetype> shownRecords;
};
