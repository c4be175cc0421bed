#pragma once
// The record input form: one address record created, edited or deleted, with the
// address filled from its postal code, the birthday in era or Gregorian form and the
// kana reading captured while the name is typed. Created once with the main window and
// shown modally for each use; it works on the main window's record set.

#include "settings/RecordForm.h"

#include <QDialog>
#include <QRect>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QAction;
class QUrl;

namespace nrt::gui {

class CardExtrasPanel;
class MainWindow;

// A category renamed in the lists editor: the old and the new name (CP932).
using CategoryRenames = std::vector<std::pair<std::string, std::string>>;

class RecordEditor : public QDialog {
    Q_OBJECT
public:
    explicit RecordEditor(MainWindow* main);
    ~RecordEditor() override;

    // Picks a town in the address browser: opened with the prefecture to start at (CP932, empty for
    // none), and at the towns of `choice.code` when it is set (a code several towns
    // share); fills `choice` and returns true when the user confirmed a town.
    struct TownChoice {
        std::string code; // ddd-dddd
        std::string prefecture;
        std::string city;
        std::string town;
    };
    using TownPicker = std::function<bool(QWidget* parent, const std::string& prefecture, TownChoice& choice)>;
    void SetTownPicker(TownPicker picker) { townPicker_ = std::move(picker); }

    // What showing the form does: the edit position (a record-set row, -1 for a new
    // record) and the default category (the main window's tab, -1 on the senders' tab)
    // are taken, the saved flag cleared, the record loaded and the kana capture set up.
    void Prepare(int editPosition, int defaultCategory);
    // Prepare, then modal. True when the main list must be rebuilt: something was saved,
    // or the category lists changed while the form was open.
    bool ShowFor(int editPosition, int defaultCategory);
    void MarkListStale() { listStale_ = true; }

    int EditPosition() const { return editPosition_; }
    // The table record (AddressTable index) the form showed or saved last, for the list to keep
    // current; -1 when none.
    int CurrentRecord() const { return currentRecord_; }
    int DefaultCategory() const { return defaultCategory_; }
    bool Changed() const { return changed_; }
    // The session ends (SIGTERM, logout): the pending edit is stored in the table
    // without a question when its values pass the checks, for the closing save to
    // write. True when nothing is left unsaved.
    Q_INVOKABLE bool SaveOnQuit();
    bool Saved() const { return saved_; }
    bool KanaCaptureInstalled() const { return kanaInstalled_; }

    // Both category lists anew from their files, keeping the chosen texts (a renamed
    // one under its new name).
    void ReloadLists(const CategoryRenames& renames = {});
    // Every control, the client area and the font at design value × ratio / 100.
    void ApplyRatio(int ratio);
    int Ratio() const { return ratio_; }

    // The commands, as the buttons and menus run them.
    void inputClicked();
    void newClicked();
    void previousClicked();
    void nextClicked();
    void deleteClicked();
    void addressClicked();
    void mailClicked();
    void webClicked();
    void categoriesClicked(int kind); // 0 大分類, 1 小分類
    // Leaving the postal-code, reading and birthday fields.
    void postalCodeLeft();
    void kanaLeft();
    bool birthdayLeft();

private:
    QCheckBox* senderCheck_ = nullptr;
    QCheckBox* printCheck_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QLineEdit* kanaEdit_ = nullptr;
    QComboBox* honorificCombo_ = nullptr;
    QComboBox* sexCombo_ = nullptr;
    QLineEdit* birthdayEdit_ = nullptr;
    QLabel* ageLabel_ = nullptr;
    QLineEdit* postalCodeEdit_ = nullptr;
    QComboBox* prefectureCombo_ = nullptr;
    QLineEdit* address1Edit_ = nullptr;
    QLineEdit* address2Edit_ = nullptr;
    QLineEdit* phone1Edit_ = nullptr;
    QLineEdit* phone2Edit_ = nullptr;
    QLineEdit* phone3Edit_ = nullptr;
    QLineEdit* emailEdit_ = nullptr;
    QLineEdit* urlEdit_ = nullptr;
    QComboBox* category1Combo_ = nullptr;
    QComboBox* category2Combo_ = nullptr;
    QLineEdit* note1Edit_ = nullptr;
    QLineEdit* note2Edit_ = nullptr;
    QLineEdit* positionEdit_ = nullptr;
    QPushButton* inputButton_ = nullptr;
    QPushButton* newButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* previousButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QCheckBox* continuousCheck_ = nullptr;
    QPushButton* addressButton_ = nullptr;
    QPushButton* category1Button_ = nullptr;
    QPushButton* category2Button_ = nullptr;
    QPushButton* mailButton_ = nullptr;
    QPushButton* webButton_ = nullptr;
    QAction* inputAction_ = nullptr;
    QAction* closeAction_ = nullptr;
    QWidget* panel = nullptr; // the client area
    // Joint names, company lines and the card history, in a window of their own.
    QPushButton* extrasButton_ = nullptr;
    QDialog* extrasDialog_ = nullptr;
    CardExtrasPanel* extras = nullptr;

public slots:
    void reject() override;
    // The draft a session's end left (SaveOnQuit), when there is one and the user takes it.
    bool TakeDraft(recordform::Values& values);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Placed {
        QWidget* widget;
        QRect design;
    };
    QLabel* Caption(const char* utf8, const QRect& design);
    template <class W> W* Place(W* widget, const char* name, const QRect& design);
    void BuildControls();
    void ConnectChanges();
    void SetUpKanaCapture();
    void FillCategoryList(QComboBox* combo, const char* fileUtf8);
    void Load();
    bool Save();
    recordform::Values CollectValues() const;
    QWidget* ControlOf(int field) const;
    void ShowAge();
    // The text of a fixed list: its chosen item, or the record's own text when that
    // is not among the items and the list was left alone.
    std::string FixedListText(const QComboBox* combo, int slot) const;
    static void SelectText(QComboBox* combo, const QString& text);
    bool OpenUrl(const QUrl& url);

    MainWindow* main_;
    TownPicker townPicker_;
    std::vector<Placed> placed_;
    int editPosition_ = -1;
    int currentRecord_ = -1;
    int defaultCategory_ = 0;
    bool changed_ = false;
    bool saved_ = false;
    bool listStale_ = false;
    bool kanaInstalled_ = false;
    bool loading_ = false;
    int today_ = 0;
    int ratio_ = 100;
    std::string loadedBirthday_;
    // 性別, 大分類, 小分類 of the record when not among their list's items.
    std::array<std::string, 3> unlisted_;
};

// For the windows that change "nrt_ms01.nms" or "nrt_ms02.nms" (the CSV import): the main
// window's input form reloads its category lists.
void ReloadInputLists(MainWindow& main);

} // namespace nrt::gui
