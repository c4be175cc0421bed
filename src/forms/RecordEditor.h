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
    void cmd_InputClick();
    void cmd_NewClick();
    void cmd_LeftClick();
    void cmd_RightClick();
    void cmd_DelClick();
    void cmd_AddressClick();
    void cmd_MailClick();
    void cmd_WWWClick();
    void cmd_DbClick(int kind); // 0 大分類, 1 小分類
    // Leaving the postal-code, reading and birthday fields.
    void txt_YubinExit();
    void txt_KanaExit();
    bool txt_SeinengappiExit();

private:
    QCheckBox* chk_Sender = nullptr;
    QCheckBox* chk_Print = nullptr;
    QLineEdit* txt_Name = nullptr;
    QLineEdit* txt_Kana = nullptr;
    QComboBox* cbo_Keisyou = nullptr;
    QComboBox* cbo_Seibetu = nullptr;
    QLineEdit* txt_Seinengappi = nullptr;
    QLabel* lbl_Age = nullptr;
    QLineEdit* txt_Yubin = nullptr;
    QComboBox* cbo_Ken = nullptr;
    QLineEdit* txt_Zyusyo1 = nullptr;
    QLineEdit* txt_Zyusyo2 = nullptr;
    QLineEdit* txt_Tel1 = nullptr;
    QLineEdit* txt_Tel2 = nullptr;
    QLineEdit* txt_Tel3 = nullptr;
    QLineEdit* txt_EMail = nullptr;
    QLineEdit* txt_URL = nullptr;
    QComboBox* cbo_Div1 = nullptr;
    QComboBox* cbo_Div2 = nullptr;
    QLineEdit* txt_Bikou1 = nullptr;
    QLineEdit* txt_Bikou2 = nullptr;
    QLineEdit* txt_RecNo = nullptr;
    QPushButton* cmd_Input = nullptr;
    QPushButton* cmd_New = nullptr;
    QPushButton* cmd_Del = nullptr;
    QPushButton* cmd_Left = nullptr;
    QPushButton* cmd_Right = nullptr;
    QPushButton* cmd_Close = nullptr;
    QCheckBox* chk_Continu = nullptr;
    QPushButton* cmd_Address = nullptr;
    QPushButton* cmd_Db1 = nullptr;
    QPushButton* cmd_Db2 = nullptr;
    QPushButton* cmd_Mail = nullptr;
    QPushButton* cmd_WWW = nullptr;
    QAction* mnu_FileInput = nullptr;
    QAction* mnu_Close = nullptr;
    QWidget* panel = nullptr; // the client area
    // Joint names, company lines and the card history, in a window of their own.
    QPushButton* cmd_Extras = nullptr;
    QDialog* frmExtras = nullptr;
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
    QWidget* ControlOf(int item) const;
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
