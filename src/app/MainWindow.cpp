#include "app/MainWindow.h"

#include "app/Commands.h"
#include "app/HelpWindow.h"
#include "app/MainListModel.h"
#include "books/BookSafety.h"
#include "db/CardHistory.h"
#include "db/StoredReadings.h"
#include "forms/ColumnsDialog.h"
#include "forms/SearchDialog.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"
#include "settings/DataPaths.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <span>

namespace nrt::gui {
namespace {

struct SortItem {
    const char* caption;
    const char* order;
};
constexpr SortItem kSortItems[] = {
    { "（ソートなし）(&O)", "" },
    { "名前(&N)", "名前" },
    { "カナ(&K)", "カナ" },
    { "電話番号(&T)", "電話番号" },
    { "生年月日(&B)", "生年月日" },
    { "郵便番号(&Y)", "郵便番号,カナ" },
    { "メール(&M)", "メール,カナ" },
    { "大分類(&D)", "大分類,カナ" },
    { "小分類(&S)", "小分類,カナ" },
    { "大分類-小分類(&W)", "大分類,小分類,カナ" },
    { "登録日(&R)", "登録日,カナ" },
    { "更新日(&U)", "更新日,カナ" },
};

constexpr const char* kKanaCaptions[] = { "ア", "カ", "サ", "タ", "ナ", "ハ", "マ", "ヤ", "ラ", "ワ" };
constexpr const char* kMatchKinds[] = { "完全に一致", "先頭文字が一致", "最後の文字が一致", "一致する文字がある" };

QString U8(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A fixed list as wide as its longest entry. Qt sizes a list by the ink of its texts,
// which leaves out the wide side bearings of full-width brackets: "（全項目）" was cut.
void FitToItems(QComboBox* combo)
{
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const QSize contents(widest, combo->fontMetrics().height());
    combo->setMinimumWidth(combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, combo).width());
}

} // namespace

MainWindow::MainWindow(const StartupFolders& folders, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setMinimumSize(100, 100);

    OpenDataFolder(folders);
    BuildWindow();
    LoadBook();
    SetTitle();
    ResetExtraction();
    MakeMonthlyCopies();
    RestoreGeometry();
    RestoreZoom();
    InstallCommands();
    ShowFirstList();
    StartSavingAsYouGo();
}

// The data folder is this window's until it closes; leftovers of saves cut short by a
// kill go first.
void MainWindow::OpenDataFolder(const StartupFolders& folders)
{
    settings_ = std::make_unique<AppSettings>(folders);
    if (bookLock_.TryLock(settings_->DataFile(kWriteLockName)) == platform::FileLock::Result::Busy) {
        opened_ = false;
        platform::Warn(SJ("他の処理がデータを使用しています。終了してから起動して下さい。"));
    }
    if (opened_ && settings_->DataFolderUnwritable())
        platform::Warn(UnusableFolderMessage(settings_->DataFolder()));
    rec_.Attach(&db_);
    model_ = new MainListModel(db_, rec_, *settings_, this);
}

// The settings name the book's folder and the backup folder, where killed restores and
// backups may have left folders; the controls and the grid's columns follow them.
void MainWindow::BuildWindow()
{
    settings_->ReadSettings(true);
    if (opened_)
        RemoveLeftoverTempFiles(*settings_);
    TightenPrivateFiles(*settings_);
    BuildMenus();
    BuildCentre();
    SetUpColumns();
}

// The current book's table, or an empty one. What could not be read is said; the file
// is then kept from being replaced unnoticed (AddressTable::SaveTable).
void MainWindow::LoadBook()
{
    const std::string tablePath = settings_->BookFile(kTableFile);
    if (!opened_ || db_.LoadTable(tablePath) != TableError::kNone)
        db_.CreateDefaultTable();
    if (opened_ && !db_.LoadFailedOnExistingFile() && !db_.LoadedWhole()) {
        // Asked once, as nortea-cli repair would do it: save what was read now, the
        // damaged original kept aside. No keeps it as it is until the first save.
        if (platform::Messages().Show({ RepairQuestion(tablePath, db_.DamagedRecordCount()), SJ("確認"),
                platform::MsgIcon::Question, platform::MsgButtons::YesNo, platform::MsgResult::No })
            == platform::MsgResult::Yes)
            static_cast<void>(SaveBook()); // says where the original went, or why it failed
    } else if (const std::string trouble = LoadTroubleMessage(db_, tablePath); opened_ && !trouble.empty()) {
        platform::Warn(trouble);
    }
}

void MainWindow::ResetExtraction()
{
    extractFieldCombo_->setCurrentIndex(0);
    extractMatchCombo_->setCurrentIndex(3);
    extractSexCombo_->setCurrentIndex(0);
    ReloadTabs();
    ReloadMinorCategories();
}

// Copies that fail are passed over without a word: the usual cause is a missing file
// (a new book has no copies yet), and a spare copy must not hold up the start.
void MainWindow::MakeMonthlyCopies()
{
    if (settings_->MonthlyBackupDue()) {
        static_cast<void>(platform::fs::CopyFile(
            settings_->BookFile(SJ("nrt_ndb.bak")), settings_->BookFile(SJ("nrt_ndb.bk1")), false, 0600));
        static_cast<void>(platform::fs::CopyFile(
            settings_->BookFile(kTableFile), settings_->BookFile(SJ("nrt_ndb.bak")), false, 0600));
    }
}

void MainWindow::RestoreGeometry()
{
    if (settings_->HasFormRect(AppSettings::kFormMain)) {
        const FormRect r = settings_->GetFormRect(AppSettings::kFormMain);
        if (r.width > 0 && r.height > 0)
            setGeometry(r.left, r.top, std::max(100, r.width), std::max(100, r.height));
    } else {
        resize(900, 640);
    }
}

void MainWindow::RestoreZoom()
{
    const int stored = settings_->GetScalePercent();
    const int zoomIndex = mainlist::ZoomIndexFor(stored);
    if (zoomIndex >= 0) {
        zoomCombo_->blockSignals(true);
        zoomCombo_->setCurrentIndex(zoomIndex);
        zoomCombo_->blockSignals(false);
        ApplyRatio(mainlist::kZoomRatios[static_cast<std::size_t>(zoomIndex)]);
    }
    if (stored > 100) {
        columnBase_[0] = { static_cast<int>(stored * 0.01 * 26), stored };
        FitMarkColumn();
    }
}

// Commands of the other windows (app/Commands.h), one line per subsystem.
void MainWindow::InstallCommands()
{
    InstallInputCommands(*this);
    InstallExchangeCommands(*this);
    InstallMailCommands(*this);
    InstallPostalCommands(*this);
    InstallCheckCommands(*this);
    InstallDuplicatesCommands(*this);
    InstallPrintCommands(*this);
    InstallSyncCommands(*this);
}

void MainWindow::ShowFirstList()
{
    sortOrder_ = SJ(kDefaultOrder);
    // A table without these fields lists its records unsorted.
    static_cast<void>(rec_.SetSort(sortOrder_, 0));
    if (settings_->GetFull())
        setWindowState(windowState() | Qt::WindowMaximized);
    RefreshList();
    // The keyboard starts in the list: arrows, letters, Return and Insert work at once.
    recordTable_->setFocus();
}

void MainWindow::StartSavingAsYouGo()
{
    auto* saveTimer = new QTimer(this);
    connect(saveTimer, &QTimer::timeout, this, &MainWindow::SaveChanges);
    saveTimer->start(1000);
}

MainWindow::~MainWindow() = default;

void MainWindow::SaveChanges()
{
    // The timer fires inside the message boxes a save may show.
    if (!opened_ || saving_ || !db_.IsModified() || db_.ChangeCount() == unsavedChange_)
        return;
    saving_ = true;
    if (!SaveBook())
        unsavedChange_ = db_.ChangeCount();
    saving_ = false;
}

bool MainWindow::SaveBook()
{
    const std::string path = settings_->BookFile(kTableFile);
    if (db_.ChangedOnDisk(path)
        && !platform::Ask(SJ("宛名データ「") + path + SJ("」は読み込んだ後に他で変更されています。\n上書きしますか？")))
        return false;
    platform::fs::MakeDirs(settings_->BookFile({}));
    const TableError code = db_.SaveTable(path);
    if (!db_.DamagedCopy().empty() && db_.DamagedCopy() != reportedCopy_) {
        reportedCopy_ = db_.DamagedCopy();
        platform::Inform(DamagedCopyMessage(reportedCopy_), SJ("注意"), platform::MsgIcon::Warning);
    }
    if (code == TableError::kKeptUnread && db_.LoadFailedOnExistingFile()) {
        platform::Warn(UnreadableTableMessage(path));
        return false;
    }
    if (code != TableError::kNone) {
        platform::Warn(SJ("保存に失敗しました。"));
        return false;
    }
    emit Saved();
    return true;
}

void MainWindow::BuildMenus()
{
    QMenu* file = fileMenu_ = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    // Other windows add their commands before these separators, each in its group.
    fileSections_[kFileBooks] = file->addSeparator();
    fileSections_[kFileData] = file->addSeparator();
    fileSections_[kFilePrint] = file->addSeparator();
    QAction* clear = file->addAction(QStringLiteral("全ての宛名を削除(&D)..."));
    clear->setObjectName(QStringLiteral("mnu_FileClear"));
    connect(clear, &QAction::triggered, this, &MainWindow::DeleteAll);
    file->addSeparator();
    QAction* exitAction = file->addAction(QStringLiteral("終了(&X)"));
    exitAction->setObjectName(QStringLiteral("mnuFileExit"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = editMenu_ = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    QAction* find = edit->addAction(QStringLiteral("検索(&F)..."));
    find->setObjectName(QStringLiteral("mnuEditFind"));
    find->setShortcut(QKeySequence(Qt::Key_F3));
    connect(find, &QAction::triggered, this, &MainWindow::ShowSearch);
    QAction* mark = edit->addAction(QStringLiteral("一括マーク(&M)"));
    mark->setObjectName(QStringLiteral("mnuEditMark"));
    mark->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(mark, &QAction::triggered, this, &MainWindow::BulkMark);

    QMenu* sort = menuBar()->addMenu(QStringLiteral("並び替え(&S)"));
    sortGroup_ = new QActionGroup(this);
    sortGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    static constexpr const char* names[]
        = { "mnuSortNo", "mnuSortName", "mnuSortKana", "mnuSortTel", "mnuSortYYYYMMDD", "mnuSortYubin", "mnuSortMail",
              "mnuSortDiv1", "mnuSortDiv2", "mnuSortDiv1Div2", "mnuSortDate1", "mnuSortDate2" };
    for (std::size_t i = 0; i < std::size(kSortItems); ++i) {
        QAction* a = sort->addAction(U8(kSortItems[i].caption));
        a->setObjectName(QString::fromLatin1(names[i]));
        a->setCheckable(true);
        a->setActionGroup(sortGroup_);
        a->setVisible(i != 0);
        a->setChecked(i == 2);
        const std::string order = platform::Utf8ToSjis(kSortItems[i].order);
        connect(a, &QAction::triggered, this, [this, a, order] {
            a->setChecked(true);
            SortBy(order);
        });
    }

    mailMenu_ = menuBar()->addMenu(QStringLiteral("メール(&M)"));
    mailMenu_->setObjectName(QStringLiteral("mnuNet"));
    mailMenu_->menuAction()->setVisible(false); // shown once the mail commands are added
    QMenu* settings = settingsMenu_ = menuBar()->addMenu(QStringLiteral("設定(&O)"));
    QAction* columns = settings->addAction(QStringLiteral("表示項目の設定(&H)..."));
    columns->setObjectName(QStringLiteral("mnuHyo"));
    connect(columns, &QAction::triggered, this, &MainWindow::EditColumns);

    QMenu* help = helpMenu_ = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    QAction* manual = help->addAction(QStringLiteral("ノルテアのヘルプ(&H)"));
    manual->setObjectName(QStringLiteral("mnuHelpHelp"));
    manual->setShortcut(QKeySequence::HelpContents);
    connect(manual, &QAction::triggered, this, &MainWindow::ShowHelp);

    QToolBar* bar = toolBar_ = addToolBar(QStringLiteral("ツールバー"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    auto tool = [&](const char* name, const QString& caption, const QIcon& icon, auto slot) {
        QAction* a = bar->addAction(icon, caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    const QStyle* st = style();
    tool("tcmd_Search", QStringLiteral("検索"), st->standardIcon(QStyle::SP_FileDialogContentsView),
        &MainWindow::ShowSearch);
    tool("tcmd_Mark", QStringLiteral("一括ﾏｰｸ"), st->standardIcon(QStyle::SP_DialogApplyButton), &MainWindow::BulkMark);
    bar->addSeparator();
    tool("tcmd_Quit", QStringLiteral("終了"), st->standardIcon(QStyle::SP_DialogCloseButton), &QWidget::close);

    popup = new QMenu(this);
    findAction_ = popup->addAction(QStringLiteral("検索(&F)..."));
    connect(findAction_, &QAction::triggered, this, &MainWindow::ShowSearch);
    popup->addSeparator();
    markOnAction_ = popup->addAction(QStringLiteral("選択行をマーク(&M)"));
    connect(markOnAction_, &QAction::triggered, this, [this] { MarkSelected(true); });
    markOffAction_ = popup->addAction(QStringLiteral("選択行のマークを外す(&U)"));
    connect(markOffAction_, &QAction::triggered, this, [this] { MarkSelected(false); });
    popup->addSeparator();
    sortAscendingAction_ = popup->addAction(QStringLiteral("昇順(&A)"));
    connect(sortAscendingAction_, &QAction::triggered, this, [this] {
        for (QAction* a : sortGroup_->actions())
            a->setChecked(false);
        SortBy(popupField_);
    });
    sortDescendingAction_ = popup->addAction(QStringLiteral("降順(&Z)"));
    connect(sortDescendingAction_, &QAction::triggered, this, [this] {
        for (QAction* a : sortGroup_->actions())
            a->setChecked(false);
        SortBy(popupField_ + " D");
    });
}

void MainWindow::BuildCentre()
{
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    BuildTabs(centre);
    layout->addWidget(categoryTabs_);
    BuildList(centre);
    layout->addWidget(recordTable_, 1);

    // The kana index and the detailed extraction, with the zoom control beside them.
    auto* bottom = new QHBoxLayout();
    pages = new QTabWidget(centre);
    pages->setObjectName(QStringLiteral("PageControl1"));
    BuildKanaPage();
    BuildExtractionPage();
    BuildCardPage();
    SelNameChanged();
    bottom->addWidget(pages, 1);
    bottom->addLayout(BuildZoomControls(centre));
    layout->addLayout(bottom);
    setCentralWidget(centre);
    BuildStatusBar();
}

// The category tabs above the list.
void MainWindow::BuildTabs(QWidget* centre)
{
    categoryTabs_ = new QTabBar(centre);
    categoryTabs_->setObjectName(QStringLiteral("tag_Main"));
    categoryTabs_->setExpanding(false);
    categoryTabs_->setDrawBase(true);
    connect(categoryTabs_, &QTabBar::currentChanged, this, [this](int) {
        suffix_.clear();
        extractCount_ = 0;
        RefreshList();
    });
}

// The list, its popup and the hint an empty book shows in it.
void MainWindow::BuildList(QWidget* centre)
{
    recordTable_ = new QTableView(centre);
    recordTable_->setObjectName(QStringLiteral("griMain"));
    recordTable_->setModel(model_);
    recordTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    recordTable_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    recordTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    recordTable_->setAlternatingRowColors(false);
    recordTable_->setWordWrap(false);
    recordTable_->verticalHeader()->hide();
    recordTable_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    recordTable_->verticalHeader()->setDefaultSectionSize(18);
    // Row heights are the zoom's: the header's font must not hold them at a larger size.
    recordTable_->verticalHeader()->setMinimumSectionSize(4);
    recordTable_->horizontalHeader()->setHighlightSections(false);
    // Column widths are the user's (and the zoom's), never widened to fit the font.
    recordTable_->horizontalHeader()->setMinimumSectionSize(4);
    recordTable_->horizontalHeader()->setSectionsMovable(false);
    connect(recordTable_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (!zoomingColumns_ && column >= 0 && column < static_cast<int>(columnBase_.size()))
            columnBase_[static_cast<std::size_t>(column)] = { width, ratio_ };
    });
    recordTable_->setContextMenuPolicy(Qt::CustomContextMenu);
    recordTable_->installEventFilter(this);
    connect(recordTable_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PreparePopup(pos);
        popup->popup(recordTable_->viewport()->mapToGlobal(pos));
    });
    connect(recordTable_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == 0 && index.row() < model_->RecordRows())
            ToggleMark(index.row());
        UpdatePosition();
    });
    connect(recordTable_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        // Not in the mark column; header clicks and the space below the rows give no index.
        if (!index.isValid() || index.column() == 0)
            return;
        emit EditRequested(model_->IsNewRow(index.row()) ? -1 : index.row());
    });
    connect(recordTable_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex&, const QModelIndex&) { UpdatePosition(); });
    emptyHint_ = new QLabel(
        QStringLiteral("宛名がまだありません。「新規登録」（Ctrl+N）で入力するか、「CSVインポート」で取り込みます。\n"
                       "住所は郵便番号から自動で入ります（最新の郵便番号データは"
                       "「郵便番号データのインポート」で取り込めます）。"),
        recordTable_->viewport());
    emptyHint_->setObjectName(QStringLiteral("lbl_EmptyHint"));
    emptyHint_->setForegroundRole(QPalette::PlaceholderText);
    emptyHint_->hide();
}

void MainWindow::BuildKanaPage()
{
    auto* kanaPage = new QWidget();
    kanaPage->setObjectName(QStringLiteral("TabSheet1"));
    // A row that keeps the buttons at their zoomed size while the window has the room
    // and narrows them when it has not.
    auto* row = new QHBoxLayout(kanaPage);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(0);
    auto kanaButton = [&](const QString& caption) {
        auto* b = new QPushButton(caption, kanaPage);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(b);
        return b;
    };
    for (int i = 0; i < 10; ++i) {
        QPushButton* b = kanaButton(U8(kKanaCaptions[i]));
        b->setObjectName(QStringLiteral("cmd_Kana%1").arg(i + 1));
        connect(b, &QPushButton::clicked, this, [this, i] { KanaIndex(i + 1); });
        kanaButtons_[static_cast<std::size_t>(i)] = b;
    }
    row->addSpacing(16);
    kanaAllButton_ = kanaButton(QStringLiteral("全て"));
    kanaAllButton_->setObjectName(QStringLiteral("cmd_KanaAll"));
    connect(kanaAllButton_, &QPushButton::clicked, this, [this] { KanaIndex(0); });
    row->addStretch(1);
    pages->addTab(kanaPage, QStringLiteral("カナ"));
}

void MainWindow::BuildExtractionPage()
{
    auto* selPage = new QWidget();
    selPage->setObjectName(QStringLiteral("TabSheet2"));
    auto* sel = new QHBoxLayout(selPage);
    sel->setContentsMargins(6, 4, 6, 4);
    extractFieldCombo_ = new QComboBox(selPage);
    extractFieldCombo_->setObjectName(QStringLiteral("cbo_SelName"));
    for (const char* f : mainlist::kSearchFields)
        extractFieldCombo_->addItem(U8(f));
    FitToItems(extractFieldCombo_);
    extractTextEdit_ = new QLineEdit(selPage);
    extractTextEdit_->setObjectName(QStringLiteral("txt_SelText"));
    extractTextEdit_->setMaxLength(30);
    extractCategoryCombo_ = new QComboBox(selPage);
    extractCategoryCombo_->setObjectName(QStringLiteral("cbo_SelDiv2"));
    extractSexCombo_ = new QComboBox(selPage);
    extractSexCombo_->setObjectName(QStringLiteral("cbo_SelElse"));
    extractSexCombo_->addItems({ QStringLiteral("男"), QStringLiteral("女") });
    extractMatchCombo_ = new QComboBox(selPage);
    extractMatchCombo_->setObjectName(QStringLiteral("cbo_SelKind"));
    for (const char* k : kMatchKinds)
        extractMatchCombo_->addItem(U8(k));
    FitToItems(extractMatchCombo_);
    caseCheck_ = new QCheckBox(QStringLiteral("大文字小文字判断する"), selPage);
    caseCheck_->setObjectName(QStringLiteral("chk_icmp"));
    extractAddCheck_ = new QCheckBox(QStringLiteral("追加抽出する"), selPage);
    extractAddCheck_->setObjectName(QStringLiteral("chk_SelAdd"));
    extractButton_ = new QPushButton(QStringLiteral("抽出"), selPage);
    extractButton_->setObjectName(QStringLiteral("cmd_SelRun"));
    extractClearButton_ = new QPushButton(QStringLiteral("クリア"), selPage);
    extractClearButton_->setObjectName(QStringLiteral("cmd_SelAll"));
    for (QWidget* w : std::initializer_list<QWidget*> { extractFieldCombo_, extractTextEdit_, extractCategoryCombo_,
             extractSexCombo_, extractMatchCombo_, caseCheck_, extractAddCheck_, extractButton_, extractClearButton_ })
        sel->addWidget(w);
    sel->addStretch(1);
    connect(extractFieldCombo_, &QComboBox::currentIndexChanged, this, &MainWindow::SelNameChanged);
    connect(extractButton_, &QPushButton::clicked, this, &MainWindow::RunExtraction);
    connect(extractClearButton_, &QPushButton::clicked, this, &MainWindow::ClearExtraction);
    pages->addTab(selPage, QStringLiteral("詳細抽出"));
}

void MainWindow::BuildCardPage()
{
    // The lists of the New Year's card season, for this season's year.
    auto* cardPage = new QWidget();
    cardPage->setObjectName(QStringLiteral("TabSheet3"));
    auto* cards = new QHBoxLayout(cardPage);
    cards->setContentsMargins(6, 4, 6, 4);
    const int cardYear = cardhistory::CardYear(platform::GetClock().Now());
    auto* yearLabel = new QLabel(QStringLiteral("%1年").arg(cardYear), cardPage);
    yearLabel->setObjectName(QStringLiteral("lbl_CardYear"));
    cards->addWidget(yearLabel);
    const struct {
        const char* caption;
        const char* name;
        cardhistory::Preset preset;
    } presets[] = { { "今年 送った／来た", "cmd_CardSentOrReceived", cardhistory::Preset::kSentOrReceived },
        { "来たが送っていない", "cmd_CardReceivedNotSent", cardhistory::Preset::kReceivedNotSent },
        { "喪中", "cmd_CardMourning", cardhistory::Preset::kMourning } };
    for (const auto& p : presets) {
        auto* b = new QPushButton(U8(p.caption), cardPage);
        b->setObjectName(QString::fromLatin1(p.name));
        connect(b, &QPushButton::clicked, this, [this, preset = p.preset, cardYear] {
            suffix_ = cardhistory::PresetCondition(preset, cardYear);
            extractCount_ = 0;
            RefreshList();
        });
        cards->addWidget(b);
    }
    auto* cardAll = new QPushButton(QStringLiteral("全て"), cardPage);
    cardAll->setObjectName(QStringLiteral("cmd_CardAll"));
    connect(cardAll, &QPushButton::clicked, this, &MainWindow::ClearExtraction);
    cards->addWidget(cardAll);
    cards->addStretch(1);
    pages->addTab(cardPage, QStringLiteral("年賀状"));
}

// The zoom buttons around the ratio list, at the bottom of their column.
QLayout* MainWindow::BuildZoomControls(QWidget* centre)
{
    zoomOutButton_ = new QToolButton(centre);
    zoomOutButton_->setObjectName(QStringLiteral("cmd_RituDown"));
    zoomOutButton_->setText(QStringLiteral("－"));
    zoomOutButton_->setToolTip(QStringLiteral("表示倍率縮小"));
    zoomCombo_ = new QComboBox(centre);
    zoomCombo_->setObjectName(QStringLiteral("cbo_Ritu"));
    for (int r : mainlist::kZoomRatios)
        zoomCombo_->addItem(QStringLiteral("%1%").arg(r));
    zoomCombo_->setCurrentIndex(-1);
    zoomInButton_ = new QToolButton(centre);
    zoomInButton_->setObjectName(QStringLiteral("cmd_RituUp"));
    zoomInButton_->setText(QStringLiteral("＋"));
    zoomInButton_->setToolTip(QStringLiteral("表示率拡大"));
    connect(zoomCombo_, &QComboBox::activated, this, &MainWindow::ChangeZoom);
    connect(zoomOutButton_, &QToolButton::clicked, this, [this] {
        if (zoomCombo_->currentIndex() > 0) {
            zoomCombo_->setCurrentIndex(zoomCombo_->currentIndex() - 1);
            ChangeZoom(zoomCombo_->currentIndex());
        }
    });
    connect(zoomInButton_, &QToolButton::clicked, this, [this] {
        if (zoomCombo_->currentIndex() + 1 < zoomCombo_->count()) {
            zoomCombo_->setCurrentIndex(zoomCombo_->currentIndex() + 1);
            ChangeZoom(zoomCombo_->currentIndex());
        }
    });
    auto* zoom = new QHBoxLayout();
    zoom->setSpacing(1);
    zoom->addWidget(zoomOutButton_);
    zoom->addWidget(zoomCombo_);
    zoom->addWidget(zoomInButton_);
    auto* zoomBox = new QVBoxLayout();
    zoomBox->addStretch(1);
    zoomBox->addLayout(zoom);
    return zoomBox;
}

void MainWindow::BuildStatusBar()
{
    statusCount = new QLabel(this);
    statusPos = new QLabel(this);
    statusCount->setObjectName(QStringLiteral("statusCount"));
    statusPos->setObjectName(QStringLiteral("statusPos"));
    statusCount->setMinimumWidth(140);
    statusBar()->addWidget(statusCount);
    statusBar()->addWidget(statusPos, 1);
}

void MainWindow::ApplyRatio(int ratio)
{
    using mainlist::Scaled;
    ratio_ = ratio;
    QFont tabFont = categoryTabs_->font();
    tabFont.setPixelSize(Scaled(12, ratio));
    categoryTabs_->setFont(tabFont);
    // The font first: the rows are then set to their zoomed height, not held at the
    // height the previous font needed.
    QFont gridFont = recordTable_->font();
    gridFont.setPixelSize(Scaled(12, ratio, 12));
    recordTable_->setFont(gridFont);
    recordTable_->verticalHeader()->setDefaultSectionSize(Scaled(16, ratio, 16) + 2);
    // The kana buttons at their zoomed size where the window has the room; narrower, down
    // to what their text needs, where it has not. The panel never pushes the window wider
    // than the extraction page needs, whatever the zoom.
    const int height = Scaled(24, ratio);
    QFont kanaFont = kanaAllButton_->font();
    kanaFont.setPixelSize(Scaled(12, ratio));
    auto fit = [height, &kanaFont](QPushButton* b, int width) {
        b->setFont(kanaFont);
        b->setFixedHeight(height);
        b->setMaximumWidth(width);
        b->setMinimumWidth(std::min(width, b->fontMetrics().horizontalAdvance(b->text()) + 12));
    };
    fit(kanaAllButton_, Scaled(65, ratio));
    for (QPushButton* b : kanaButtons_)
        fit(b, Scaled(33, ratio) - 1);
    pages->setMinimumWidth(0);
    pages->setMaximumWidth(std::max(Scaled(745, ratio), pages->widget(1)->minimumSizeHint().width() + 8));
    pages->widget(0)->setMinimumHeight(height + 8);
}

void MainWindow::ChangeZoom(int index)
{
    if (index < 0 || index >= static_cast<int>(mainlist::kZoomRatios.size()))
        return;
    int ratio = mainlist::kZoomRatios[static_cast<std::size_t>(index)];
    if (ratio < 100)
        ratio = 100;
    const int old = settings_->GetScalePercent();
    if (ratio == old)
        return;
    settings_->SetScalePercent(ratio);
    ApplyRatio(ratio);
    for (std::size_t c = 1; c < columnBase_.size(); ++c)
        SetZoomedWidth(static_cast<int>(c), mainlist::RescaleWidth(columnBase_[c].width, columnBase_[c].ratio, ratio));
    FitMarkColumn();
    ShowEmptyHint(); // below the new-record row at its new height
    emit RatioChanged(ratio);
}

void MainWindow::SetZoomedWidth(int column, int width)
{
    zoomingColumns_ = true;
    recordTable_->setColumnWidth(column, width);
    zoomingColumns_ = false;
}

void MainWindow::FitMarkColumn()
{
    if (columnBase_.empty())
        return;
    const ColumnBase& base = columnBase_[0];
    const int zoomed = mainlist::RescaleWidth(base.width, base.ratio, ratio_);
    SetZoomedWidth(0, std::max(zoomed, recordTable_->horizontalHeader()->sectionSizeHint(0)));
}

void MainWindow::SetUpColumns()
{
    model_->SetUpColumns();
    // The stored widths are those of the ratio in effect when they were stored.
    const int stored = settings_->GetScalePercent();
    columnBase_.assign(static_cast<std::size_t>(model_->columnCount()), ColumnBase {});
    columnBase_[0] = { 25, 100 };
    for (int i = 0; i < settings_->DisplayColumnCount() && i < 29; ++i) {
        columnBase_[static_cast<std::size_t>(i) + 1] = { settings_->GetDisplayColumn(i).width, stored };
        SetZoomedWidth(i + 1, settings_->GetDisplayColumn(i).width);
    }
    FitMarkColumn();
}

void MainWindow::SetTitle()
{
    setWindowTitle(ToQ(mainlist::Title(settings_->BookName())));
}

void MainWindow::ReloadTabs()
{
    LineList categories;
    // A missing list is no category.
    static_cast<void>(categories.LoadText(settings_->BookFile(SJ("nrt_ms01.nms"))));
    const QSignalBlocker block(categoryTabs_);
    while (categoryTabs_->count() > 0)
        categoryTabs_->removeTab(0);
    categoryTabs_->addTab(QStringLiteral("[宛先（全て）]"));
    for (int i = 0; i < categories.GetCount(); ++i)
        categoryTabs_->addTab(ToQ(categories.GetLine(i)));
    categoryTabs_->addTab(QStringLiteral("[差出人]"));
    categoryTabs_->setCurrentIndex(0);
}

void MainWindow::ReloadMinorCategories()
{
    LineList minor;
    static_cast<void>(minor.LoadText(settings_->BookFile(SJ("nrt_ms02.nms"))));
    extractCategoryCombo_->clear();
    for (int i = 0; i < minor.GetCount(); ++i)
        extractCategoryCombo_->addItem(ToQ(minor.GetLine(i)));
    extractCategoryCombo_->setCurrentIndex(-1);
}

mainlist::TabContext MainWindow::Tab() const
{
    mainlist::TabContext t;
    t.index = categoryTabs_->currentIndex();
    t.categoryCount = categoryTabs_->count() - 2;
    if (t.index > 0 && !t.IsSenders())
        t.caption = FromQ(categoryTabs_->tabText(t.index));
    return t;
}

std::string MainWindow::PrintCondition() const
{
    return mainlist::PrintCondition(Tab(), suffix_);
}

void MainWindow::RefreshList()
{
    WaitCursor wait;
    const QModelIndex before = recordTable_->currentIndex();
    const int oldRow = before.isValid() ? before.row() : 0;
    const bool onNewRow = before.isValid() && model_->IsNewRow(oldRow);
    int keep = keepRecord_;
    keepRecord_ = -1;
    if (keep < 0 && oldRow < model_->RecordRows())
        keep = rec_.GetRowRecord(oldRow);
    model_->SetFiltered(!suffix_.empty());
    const std::string condition = mainlist::ListCondition(Tab(), suffix_);
    const SelectResult code = rec_.Select(condition);
    if (SelectFailed(code)) {
        // The selection is left as it was.
        platform::Warn(FromQ(QStringLiteral("条件作成に失敗しました(%1)").arg(static_cast<int>(code))));
        return;
    }
    model_->Reload();
    statusCount->setText(QStringLiteral("表示数：%1").arg(model_->RecordRows()));
    int row = keep >= 0 ? RowOfRecord(keep) : -1;
    if (row < 0)
        row = onNewRow ? model_->RecordRows() : std::min(oldRow, std::max(0, model_->RecordRows() - 1));
    const int column = before.isValid() ? before.column() : std::min(1, model_->columnCount() - 1);
    const QModelIndex current = model_->index(row, std::min(column, model_->columnCount() - 1));
    recordTable_->setCurrentIndex(current);
    // Into view from above or below; the columns stay where the user scrolled them.
    const int across = recordTable_->horizontalScrollBar()->value();
    recordTable_->scrollTo(current);
    recordTable_->horizontalScrollBar()->setValue(across);
    ShowEmptyHint();
    UpdatePosition();
    SaveChanges();
}

int MainWindow::RowOfRecord(int record) const
{
    const std::span<const int> rows = rec_.Rows();
    const auto found = std::find(rows.begin(), rows.end(), record);
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

void MainWindow::ShowEmptyHint()
{
    bool empty = model_->RecordRows() == 0;
    for (int k = 0; empty && k < db_.GetRecordCount(); ++k)
        empty = db_.IsDeleted(k);
    emptyHint_->setVisible(empty);
    if (empty) {
        emptyHint_->adjustSize();
        // Below the header and the new-record row.
        emptyHint_->move(8, recordTable_->rowHeight(0) + 8);
    }
}

int MainWindow::CurrentRow() const
{
    const QModelIndex i = recordTable_->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void MainWindow::SetCurrentRow(int row)
{
    if (row < 1 || row > model_->rowCount())
        return;
    const int column = std::max(0, recordTable_->currentIndex().column());
    recordTable_->setCurrentIndex(model_->index(row - 1, column));
    recordTable_->scrollTo(model_->index(row - 1, column));
    UpdatePosition();
}

void MainWindow::UpdatePosition()
{
    statusPos->setText(QStringLiteral("位置：%1").arg(CurrentRow()));
}

bool MainWindow::StoreMark(bool on)
{
    return rec_.Read() == RecordError::kNone && rec_.SetValue(SJ("印字区分"), on ? "1" : "0") == RecordError::kNone
        && rec_.Post() == RecordError::kNone;
}

bool MainWindow::SetMark(int row, bool on)
{
    const bool stored = rec_.SetPos(row) >= 0 && StoreMark(on);
    // The row shows what the table holds, stored or not.
    model_->MarkChanged(row);
    if (!stored)
        platform::Warn(SJ("印字区分の更新に失敗しました。"));
    return stored;
}

void MainWindow::ToggleMark(int row)
{
    if (row < 0 || row >= model_->RecordRows())
        return;
    const bool marked = !model_->CellText(row, 0).empty();
    SetMark(row, !marked);
    SaveChanges();
}

void MainWindow::MarkSelected(bool on)
{
    const QModelIndexList rows = recordTable_->selectionModel()->selectedRows();
    std::vector<int> list;
    for (const QModelIndex& i : rows)
        if (i.row() < model_->RecordRows())
            list.push_back(i.row());
    std::sort(list.begin(), list.end());
    for (int row : list)
        if (!SetMark(row, on))
            break;
    SaveChanges();
}

void MainWindow::BulkMark()
{
    WaitCursor wait;
    // Everything is marked unless nothing is left unmarked; then everything is unmarked.
    const bool anyUnmarked = rec_.Find(SJ("印字区分='0'"), 0, 1) >= 0;
    rec_.SetPos(0);
    for (int row = 0; row < rec_.GetRowCount(); ++row) {
        rec_.SetPos(row);
        if (!StoreMark(anyUnmarked)) {
            platform::Warn(SJ("印字区分の更新に失敗しました。"));
            break;
        }
    }
    if (model_->RecordRows() > 0)
        emit model_->dataChanged(model_->index(0, 0), model_->index(model_->RecordRows() - 1, 0));
    SaveChanges();
}

void MainWindow::DeleteAll()
{
    const platform::MsgResult answer
        = platform::Messages().Show({ SJ("全ての宛名の内容が削除されます。よろしいですか？"), SJ("確認"),
            platform::MsgIcon::Warning, platform::MsgButtons::YesNo, platform::MsgResult::No });
    if (answer != platform::MsgResult::Yes)
        return;
    settings_->SaveTableCopy();
    db_.ClearRecords();
    SaveBook();
    RefreshList();
}

void MainWindow::SelNameChanged()
{
    const QString name = extractFieldCombo_->currentText();
    const bool minor = name == QStringLiteral("小分類");
    const bool sex = name == QStringLiteral("性別");
    extractCategoryCombo_->setVisible(minor);
    extractSexCombo_->setVisible(sex);
    extractTextEdit_->setVisible(!minor && !sex);
}

void MainWindow::RunExtraction()
{
    mainlist::ExtractRequest r;
    r.fieldIndex = extractFieldCombo_->currentIndex();
    const QString name = extractFieldCombo_->currentText();
    QWidget* valueControl = extractTextEdit_;
    if (name == QStringLiteral("小分類")) {
        r.valueIsChoice = true;
        r.value
            = extractCategoryCombo_->currentIndex() >= 0 ? FromQ(extractCategoryCombo_->currentText()) : std::string();
        valueControl = extractCategoryCombo_;
    } else if (name == QStringLiteral("性別")) {
        r.valueIsChoice = true;
        r.value = extractSexCombo_->currentIndex() >= 0 ? FromQ(extractSexCombo_->currentText()) : std::string();
        valueControl = extractSexCombo_;
    } else {
        r.value = FromQ(extractTextEdit_->text());
    }
    r.kind = extractMatchCombo_->currentIndex();
    r.caseSensitive = caseCheck_->isChecked();
    r.add = extractAddCheck_->isChecked();
    const mainlist::ExtractError e = mainlist::ComposeExtraction(
        r, suffix_, extractCount_, [this](std::string_view t) { return settings_->EraToGregorian(t); });
    switch (e) {
    case mainlist::ExtractError::None:
        RefreshList();
        return;
    case mainlist::ExtractError::NoField:
        extractFieldCombo_->setFocus();
        break;
    case mainlist::ExtractError::EmptyValue:
    case mainlist::ExtractError::NoChoice:
        valueControl->setFocus();
        break;
    default:
        break;
    }
    platform::Warn(mainlist::ExtractMessage(e));
}

void MainWindow::ClearExtraction()
{
    suffix_.clear();
    extractCount_ = 0;
    RefreshList();
}

void MainWindow::KanaIndex(int tag)
{
    suffix_ = mainlist::KanaSuffix(tag);
    RefreshList();
}

void MainWindow::SortBy(const std::string& order)
{
    sortOrder_ = order;
    // The keys before a field the table lacks stay.
    static_cast<void>(rec_.SetSort(sortOrder_, 0));
    RefreshList();
}

void MainWindow::PreparePopup(const QPoint& pos)
{
    const int column = recordTable_->columnAt(pos.x());
    popupField_.clear();
    const std::string& name = model_->ColumnName(column);
    if (column >= 1 && !name.empty() && db_.FindField(name) >= 0)
        popupField_ = name;
    const bool enabled = !popupField_.empty();
    sortAscendingAction_->setEnabled(enabled);
    sortDescendingAction_->setEnabled(enabled);
    const QString field = ToQ(popupField_);
    sortAscendingAction_->setText(
        enabled ? QStringLiteral("%1を並び替え(昇順)(&A)").arg(field) : QStringLiteral("昇順(&A)"));
    sortDescendingAction_->setText(
        enabled ? QStringLiteral("%1を並び替え(降順)(&Z)").arg(field) : QStringLiteral("降順(&Z)"));
}

bool MainWindow::LetterKey(int key)
{
    mainlist::ByteRange range;
    if (!mainlist::LetterRange(key, range))
        return false;
    const int row = mainlist::FindLetterRow(CurrentRow(), model_->RecordRows(), range, [this](int r) {
        thread_local std::string text;
        text = model_->CellText(r - 1, 2);
        return std::string_view(text);
    });
    if (row > 0)
        SetCurrentRow(row);
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == recordTable_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F && (key->modifiers() & Qt::ControlModifier)) {
            ShowSearch();
            return true;
        }
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && LetterKey(key->key()))
            return true;
        // Return opens the current row as a double click does: the new-record row for a
        // new record.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
            const QModelIndex current = recordTable_->currentIndex();
            if (current.isValid())
                emit EditRequested(model_->IsNewRow(current.row()) ? -1 : current.row());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ShowHelp()
{
    if (!help_)
        help_ = new HelpWindow(this);
    help_->ShowManual(settings_->ProgramFile(SJ("nrt.html")));
}

void MainWindow::ShowSearch()
{
    if (!search_)
        search_ = std::make_unique<SearchDialog>(this);
    search_->ShowModeless();
}

void MainWindow::EditColumns()
{
    ColumnsDialog dialog(*settings_, db_, this);
    dialog.exec();
    if (dialog.Changed()) {
        SetUpColumns();
        RefreshList();
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        emit FirstShown();
        // Over the visible window, once it is drawn.
        QTimer::singleShot(0, this, &MainWindow::OfferReadingConversion);
    }
}

QAction* MainWindow::FileSection(int group) const
{
    return group >= 0 && group < kFileEnd ? fileSections_[static_cast<std::size_t>(group)] : nullptr;
}

int MainWindow::TabContextForInput() const
{
    const mainlist::TabContext t = Tab();
    return t.IsSenders() ? -1 : t.index;
}

void MainWindow::AfterBookChange()
{
    ReloadTabs();
    ReloadMinorCategories();
    emit BookChanged();
    SetTitle();
    suffix_.clear();
    extractCount_ = 0;
    SetUpColumns();
    RefreshList();
    OfferReadingConversion();
}

void MainWindow::OfferReadingConversion()
{
    if (settings_->GetKanaChecked())
        return;
    const int count = CountReadingsToConvert(db_);
    if (count == 0)
        return;
    // Asked once for the book, whatever the answer.
    settings_->SetKanaChecked(true);
    const QString question = QStringLiteral("読み（カナ）がひらがなや全角カナの宛名が %1 件あります。\n"
                                            "カナ索引と並び替えに使えるよう、半角カナに直しますか？")
                                 .arg(count);
    if (!platform::Ask(FromQ(question), true))
        return;
    WaitCursor wait;
    if (ConvertStoredReadings(db_) < 0)
        platform::Warn(SJ("読みの変換に失敗しました。"));
    platform::fs::MakeDirs(settings_->BookFile({}));
    if (db_.SaveTable(settings_->BookFile(kTableFile)) != TableError::kNone)
        platform::Warn(SJ("保存に失敗しました。"));
    RefreshList();
}

void MainWindow::SaveOnClose()
{
    if (!opened_)
        return;
    // Changes are saved as they are made, so this finds nothing left to do unless the
    // last save failed.
    if (db_.GetRecordCount() > 0 && db_.IsModified())
        SaveBook();
    for (int i = 0; i < settings_->DisplayColumnCount() && i + 1 < model_->columnCount(); ++i)
        settings_->SetDisplayColumnWidth(i, recordTable_->columnWidth(i + 1));
    const QRect r = normalGeometry();
    settings_->SaveFormRect(AppSettings::kFormMain, r.left(), r.top(), r.width(), r.height());
    if (const platform::FileWrite written = settings_->WriteSettings(); !written.Ok())
        platform::Warn(SJ("保存に失敗しました。") + written.Reason());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (search_)
        search_->close();
    emit Closing();
    SaveOnClose();
    event->accept();
}

} // namespace nrt::gui
