#pragma once

#include "records/record.h"

#include <QList>
#include <QMainWindow>

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

    MainWindowForm *form;
    QStandardItemModel *model;
    QList<Record> records;
};
