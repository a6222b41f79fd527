#pragma once

class QDoubleSpinBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListView;
class QMainWindow;
class QPushButton;
class QVBoxLayout;
class QWidget;

// Builds the main window's widgets and keeps pointers to them; the window owns the widgets.
class MainWindowForm
{
public:
    QWidget *centralwidget = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QHBoxLayout *descriptionLayout = nullptr;
    QLabel *labelLineEdit = nullptr;
    QLineEdit *lineEditDescription = nullptr;
    QHBoxLayout *amountLayout = nullptr;
    QLabel *labelAmount = nullptr;
    QDoubleSpinBox *amountSpinBox = nullptr;
    QHBoxLayout *searchLayout = nullptr;
    QLabel *labelSearch = nullptr;
    QLineEdit *searchLineEdit = nullptr;
    QPushButton *buttonSearch = nullptr;
    QListView *listView = nullptr;
    QHBoxLayout *buttonLayout = nullptr;
    QPushButton *buttonAdd = nullptr;
    QPushButton *buttonClear = nullptr;

    void setUp(QMainWindow *window);
    void retranslate(QMainWindow *window);
};
