#pragma once

#include "mainwindow/mainwindow.h"

#include <QDateTime>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <optional>

class QAbstractButton;
class QDoubleSpinBox;
class QLineEdit;
class QListView;
class QPushButton;

// What a modal message box showed while it was open.
struct SeenMessageBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons standardButtons;
    qsizetype buttonCount = 0;
    bool modal = false;
    QWidget *parent = nullptr;
    QStringList linesWhileOpen;
};

// The local times just before and just after a click, to check the time stamped by it.
struct ClickTime
{
    QDateTime before;
    QDateTime after;

    // Whether `timeText` is the text of a local time between the two, to the second.
    bool covers(const QString &timeText) const;
};

// Shows a main window of its own and uses it the way a person does: typing into its fields,
// clicking its buttons and reading its list. Widgets are found by object name, so a renamed
// widget fails the tests.
class WindowDriver
{
public:
    WindowDriver();

    MainWindow window;
    QLineEdit *description;
    QDoubleSpinBox *amount;
    QLineEdit *search;
    QListView *list;
    QPushButton *buttonAdd;
    QPushButton *buttonClear;
    QPushButton *buttonSearch;

    void typeDescription(const QString &text);
    void typeAmount(double value);
    void typeSearch(const QString &text);

    ClickTime clickAdd();
    void clickClear();
    void clickSearch();

    // Makes `row` the list's current row by clicking it.
    void pickRow(int row);

    // Adds an entry through the fields and the add button.
    void add(const QString &text, double value);

    QStringList lines() const;

    // The list's current row, -1 when there is none.
    int currentRow() const;

    // Clicks `button`, closes the message box it opens and reports what the box showed; empty
    // when no box came up. The other clicks fail the test on a box, rather than hang in it.
    std::optional<SeenMessageBox> click(QAbstractButton *button);
};

// Replaces the text of an editor by typing, with key events carrying each character.
void retype(QWidget *editor, const QString &text);
