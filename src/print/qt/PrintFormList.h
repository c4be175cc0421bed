#pragma once
// "用紙リスト": the user's print forms. Printing and the preview choose one; the
// layout setup may also create, rename and delete forms here.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace nrt {
class AppSettings;
}

namespace nrt::print {

class PrintFormList : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Choose, Manage };

    PrintFormList(AppSettings& settings, Mode mode, QWidget* parent = nullptr);

    // Shows the list (entry 0 selected); the chosen index, or -1 when cancelled.
    int Choose();
    // The index the dialog closed with.
    int Chosen() const { return chosen_; }
    // With more than one sender record (names in CP932) the list also offers them,
    // `current` chosen first; ChosenSender then gives the one chosen.
    void OfferSenders(const std::vector<std::string>& names, int current);
    int ChosenSender() const;

    // The dialogs the buttons open are run through here, so that they can be
    // answered without being shown (tests); by default they are exec()ed.
    std::function<int(QDialog&)> runDialog = [](QDialog& d) { return d.exec(); };

    void okClicked();
    void newClicked();
    void renameClicked();
    void deleteClicked();

private:
    QListWidget* formList_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* newButton_ = nullptr;
    QPushButton* renameButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QLabel* senderLabel_ = nullptr;
    QComboBox* senderCombo_ = nullptr;

    void Refresh(int select);

    AppSettings& settings_;
    int chosen_ = -1;
};

} // namespace nrt::print
