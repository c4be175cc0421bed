#pragma once
// The main window: category tabs, the list of the selected records, the kana index
// and the detailed extraction, the zoom control and the status bar. It owns the
// settings, the table and the record set for the whole run.

#include "db/AddressTable.h"
#include "db/MainList.h"
#include "db/RecordSet.h"
#include "platform/FileLock.h"
#include "settings/AppSettings.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabBar;
class QTabWidget;
class QTableView;
class QToolBar;
class QToolButton;
class QWidget;

namespace nrt::gui {

class HelpWindow;
class MainListModel;
class SearchDialog;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const StartupFolders& folders = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Operations other windows call.
    // Rebuilds the list. The current record stays current and in view: the one named by
    // KeepRecord, else the one under the cursor; when it left the list, the row at the
    // same place (after a delete, the record that followed it).
    void RefreshList();
    // The table record (AddressTable index) the next RefreshList makes current.
    void KeepRecord(int record) { keepRecord_ = record; }
    // The list row (0-based, record-set order) showing table record `record`, or -1.
    int RowOfRecord(int record) const;
    void ReloadTabs();
    void ReloadMinorCategories();
    void SetTitle();
    void SetUpColumns();
    std::string PrintCondition() const;
    const std::string& SortOrder() const { return sortOrder_; }

    // False when another writer (a running nortea-cli command) holds the data folder:
    // the window was refused, its message shown, and must not be used.
    bool Opened() const { return opened_; }
    // Saves the table when it changed since it was loaded or last saved, so every
    // committed change is on disk at once. Called after each change; a timer catches
    // any that went by another way.
    void SaveChanges();
    // Saves the table as "nrt.ndb" of the current book; before replacing a file that
    // something else changed since, asks. False when not saved (message shown).
    bool SaveBook();

    AppSettings& Settings() { return *settings_; }
    AddressTable& Table() { return db_; }
    RecordSet& Records() { return rec_; }
    MainListModel& Model() { return *model_; }
    QTableView* Grid() const { return recordTable_; }

    // The grid's current row as the list counts it: 1 for the first record (row 0 is
    // the header), RecordRows() + 1 for the new-record row.
    int CurrentRow() const;
    void SetCurrentRow(int row);
    const std::string& Suffix() const { return suffix_; }
    int ExtractionCount() const { return extractCount_; }
    int Ratio() const { return ratio_; }

    // Menus and the toolbar, for the commands of the other windows.
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* EditMenu() const { return editMenu_; }
    QMenu* MailMenu() const { return mailMenu_; }
    QMenu* SettingsMenu() const { return settingsMenu_; }
    QMenu* HelpMenu() const { return helpMenu_; }
    QToolBar* ToolBar() const { return toolBar_; }
    // The separators that mark where each group of commands goes in the file menu.
    QAction* FileSection(int group) const;
    enum FileGroup { kFileBooks, kFileData, kFilePrint, kFileEnd };

    // After another book was opened, created or restored: tabs, lists, title, columns
    // and list anew.
    void AfterBookChange();
    // The tab context for the record input form: the current tab, or -1 on the
    // senders' tab.
    int TabContextForInput() const;

    // Commands, callable by tests as the menus call them.
    void BulkMark();
    void MarkSelected(bool on);
    void ToggleMark(int row);
    void DeleteAll();
    void RunExtraction();
    void ClearExtraction();
    void KanaIndex(int tag);
    void SortBy(const std::string& order);
    void ChangeZoom(int index);
    // Once per book: readings stored in hiragana or full-width katakana are offered to be
    // turned into half-width katakana, the form the kana index reads.
    void OfferReadingConversion();
    void ShowSearch();
    // The manual in the program's own help window (F1).
    void ShowHelp();
    HelpWindow* Help() const { return help_; }
    void EditColumns();
    // A letter key pressed in the list; true when it was one of the ten letters.
    bool LetterKey(int key);

private:
    // The controls; tests find them by their objectNames.
    QTabBar* categoryTabs_ = nullptr;
    QTableView* recordTable_ = nullptr;
    QTabWidget* pages = nullptr;
    std::array<QPushButton*, 10> kanaButtons_ {};
    QPushButton* kanaAllButton_ = nullptr;
    QComboBox* extractFieldCombo_ = nullptr;
    QLineEdit* extractTextEdit_ = nullptr;
    QComboBox* extractCategoryCombo_ = nullptr;
    QComboBox* extractSexCombo_ = nullptr;
    QComboBox* extractMatchCombo_ = nullptr;
    QCheckBox* caseCheck_ = nullptr;
    QCheckBox* extractAddCheck_ = nullptr;
    QPushButton* extractButton_ = nullptr;
    QPushButton* extractClearButton_ = nullptr;
    QComboBox* zoomCombo_ = nullptr;
    QToolButton* zoomOutButton_ = nullptr;
    QToolButton* zoomInButton_ = nullptr;
    QLabel* statusCount = nullptr;
    QLabel* statusPos = nullptr;
    QMenu* popup = nullptr;
    QAction* sortAscendingAction_ = nullptr;
    QAction* sortDescendingAction_ = nullptr;
    QAction* markOnAction_ = nullptr;
    QAction* markOffAction_ = nullptr;
    QAction* findAction_ = nullptr;

signals:
    // A record row (the list's row number, 1-based) or the new-record row was asked to
    // be edited: edit position = row - 1, or -1 for the new-record row.
    void EditRequested(int editPosition);
    // The window was shown for the first time (the periodic backup offer).
    void FirstShown();
    // The display ratio changed (the input form follows it).
    void RatioChanged(int ratio);
    // Another book is open now (the input form reloads its lists).
    void BookChanged();
    // The window is about to save and close.
    void Closing();
    // The book was saved (SaveBook succeeded), by whatever asked for it.
    void Saved();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's steps, in this order.
    void OpenDataFolder(const StartupFolders& folders);
    void BuildWindow();
    void LoadBook();
    void ResetExtraction();
    void MakeMonthlyCopies();
    void RestoreGeometry();
    void RestoreZoom();
    void InstallCommands();
    void ShowFirstList();
    void StartSavingAsYouGo();
    void BuildMenus();
    void BuildCentre();
    void BuildTabs(QWidget* centre);
    void BuildList(QWidget* centre);
    void BuildKanaPage();
    void BuildExtractionPage();
    // The New Year's card presets.
    void BuildCardPage();
    QLayout* BuildZoomControls(QWidget* centre);
    void BuildStatusBar();
    void ApplyRatio(int ratio);
    // Sets a column's width without taking it as the user's.
    void SetZoomedWidth(int column, int width);
    // The mark column: its zoomed width, but never narrower than its header.
    void FitMarkColumn();
    void ShowEmptyHint();
    void SelNameChanged();
    void PreparePopup(const QPoint& pos);
    void UpdatePosition();
    void SaveOnClose();
    // The mark of the record under the cursor into the table; false when it is not stored.
    bool StoreMark(bool on);
    // Sets and posts the mark of record row `row` (0-based); a mark that cannot be
    // stored is reported and the row keeps showing the stored one.
    bool SetMark(int row, bool on);
    mainlist::TabContext Tab() const;

    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* mailMenu_ = nullptr;
    QMenu* settingsMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    std::array<QAction*, kFileEnd> fileSections_ {};

    std::unique_ptr<AppSettings> settings_;
    // Held while the window is open: no command writes the data folder meanwhile.
    platform::FileLock bookLock_;
    bool opened_ = true;
    bool saving_ = false;
    // The state of the records a save as-you-go failed or was declined for: not tried
    // again (nor asked again) until something changes.
    std::uint64_t unsavedChange_ = 0;
    std::string reportedCopy_;
    AddressTable db_;
    RecordSet rec_;
    MainListModel* model_ = nullptr;
    std::unique_ptr<SearchDialog> search_;
    QActionGroup* sortGroup_ = nullptr;
    std::string suffix_;
    int extractCount_ = 0;
    std::string sortOrder_;
    std::string popupField_;
    int ratio_ = 100;
    bool shownOnce_ = false;
    int keepRecord_ = -1;
    // Each column's width as the settings or the user set it, with the ratio in effect
    // then: zoomed widths are computed from these, never from the previous zoomed width,
    // so that zooming there and back returns to the same pixels.
    struct ColumnBase {
        int width = 0;
        int ratio = 100;
    };
    std::vector<ColumnBase> columnBase_;
    bool zoomingColumns_ = false;
    QLabel* emptyHint_ = nullptr;
    HelpWindow* help_ = nullptr;
};

} // namespace nrt::gui
