#pragma once
// The search dialog: finds the next or previous row of the main list that matches a
// field, a text and a match kind, and moves the list there. Modeless.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace nrt::gui {

class MainWindow;

class SearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit SearchDialog(MainWindow* main);
    void ShowModeless();
    // Direction 1 = down, otherwise up.
    void Search(int direction);

private:
    QComboBox* fieldCombo_ = nullptr;
    QLineEdit* searchTextEdit_ = nullptr;
    QComboBox* matchCombo_ = nullptr;
    QCheckBox* caseCheck_ = nullptr;
    QPushButton* findPreviousButton_ = nullptr;
    QPushButton* findNextButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    MainWindow* main_;
    bool changed_ = true;
};

} // namespace nrt::gui
