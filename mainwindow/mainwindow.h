#pragma once

#include "records/record.h"
#include "records/recordlines.h"

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
    // Lets the benchmark fill the window with many records without one click each.
    friend class BenchmarkAccess;

    void append(const Record &record);
    void refreshList();
    void showRecords(QString RecordLines::*line, const std::function<bool(const Record &)> &shows);

    MainWindowForm *form;
    QStandardItemModel *model;
    QList<Record> records;
    // The display lines of each record, at the record's position in records.
    QList<RecordLines> lines;
    // For each row of the list, the position in records of the record it shows.
    QList<qsizetype> shownRecords;
};
