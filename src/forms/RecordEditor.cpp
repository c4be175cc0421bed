#include "forms/RecordEditor.h"

#include "app/EnterFocusFilter.h"
#include "app/KanaCapture.h"
#include "app/MainWindow.h"
#include "app/SjisLimitValidator.h"
#include "db/MainList.h"
#include "forms/CardExtrasPanel.h"
#include "forms/CategoryEditor.h"
#include "platform/Kana.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "postal/AddressFill.h"
#include "postal/BusinessCodes.h"
#include "postal/PostalBrowser.h"
#include "postal/Prefectures.h"
#include "qt/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

using namespace recordform;

constexpr int kClientWidth = 545;
constexpr int kClientHeight = 432;
constexpr int kFontCell = 12;
// The most a control takes: its field's width in bytes.
constexpr int Width(int field)
{
    return fieldcatalogue::Info(field).width;
}

constexpr const char* kHonorificItems[] = { "様", "殿", "御中", "先生" };
constexpr const char* kGenderItems[] = { "男", "女" };

// Slots of RecordEditor::unlisted_.
constexpr int kSlotGender = 0;
constexpr int kSlotDiv1 = 1;
constexpr int kSlotDiv2 = 2;

QString U8(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The CP932 bytes an item of a category list stands for.
std::string ItemBytes(const QComboBox* combo, int index)
{
    const QByteArray b = combo->itemData(index).toByteArray();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

int FindBytes(const QComboBox* combo, const std::string& bytes)
{
    for (int i = 0; i < combo->count(); ++i)
        if (ItemBytes(combo, i) == bytes)
            return i;
    return -1;
}

} // namespace

RecordEditor::RecordEditor(MainWindow* main)
    : QDialog(main)
    , main_(main)
{
    setObjectName(QStringLiteral("frmInput"));
    setWindowTitle(QStringLiteral("ノルテア"));
    setModal(true);
    today_ = TodayNumber(platform::GetClock().Now());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* menu = new QMenuBar(this);
    QMenu* file = menu->addMenu(QStringLiteral("ファイル(&F)"));
    inputAction_ = file->addAction(QStringLiteral("登録(&I)"));
    inputAction_->setObjectName(QStringLiteral("mnu_FileInput"));
    file->addSeparator();
    closeAction_ = file->addAction(QStringLiteral("キャンセル(&C)"));
    closeAction_->setObjectName(QStringLiteral("mnu_Close"));
    layout->setMenuBar(menu);
    panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("panel"));
    layout->addWidget(panel);

    BuildControls();
    FillCategoryList(category1Combo_, "nrt_ms01.nms");
    FillCategoryList(category2Combo_, "nrt_ms02.nms");
    ConnectChanges();
    EnterFocusFilter::InstallOn(this);
    for (QObject* o : std::initializer_list<QObject*> {
             postalCodeEdit_, birthdayEdit_, nameEdit_, kanaEdit_, category1Combo_, category2Combo_ })
        o->installEventFilter(this);
    SetUpKanaCapture();
    ApplyRatio(100);
}

RecordEditor::~RecordEditor() = default;

QLabel* RecordEditor::Caption(const char* utf8, const QRect& design)
{
    auto* label = new QLabel(U8(utf8), panel);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    placed_.push_back({ label, design });
    return label;
}

template <class W> W* RecordEditor::Place(W* widget, const char* name, const QRect& design)
{
    widget->setObjectName(QString::fromLatin1(name));
    placed_.push_back({ widget, design });
    return widget;
}

void RecordEditor::BuildControls()
{
    auto edit = [this](const char* name, const QRect& r, int limit) {
        auto* e = Place(new QLineEdit(panel), name, r);
        if (limit > 0)
            e->setValidator(new SjisLimitValidator(limit, e));
        return e;
    };
    auto button = [this](const char* name, const char* caption, const QRect& r) {
        auto* b = Place(new QPushButton(U8(caption), panel), name, r);
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    auto imeOff = [](QWidget* w) { w->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText); };

    // Design rectangles of the client area at 100 %: labels at x 12 and 296, fields at
    // x 80 and 350, one row every 25 pixels with a little air between the groups.
    senderCheck_ = Place(new QCheckBox(QStringLiteral("差出人"), panel), "chk_Sender", { 12, 8, 72, 20 });
    printCheck_ = Place(new QCheckBox(QStringLiteral("印刷する"), panel), "chk_Print", { 90, 8, 90, 20 });
    positionEdit_ = Place(new QLineEdit(panel), "txt_RecNo", { 300, 8, 60, 20 });
    positionEdit_->setVisible(false);
    positionEdit_->setReadOnly(true);
    previousButton_ = button("cmd_Left", "◀", { 456, 6, 36, 22 });
    previousButton_->setToolTip(QStringLiteral("前のデータ"));
    nextButton_ = button("cmd_Right", "▶", { 496, 6, 36, 22 });
    nextButton_->setToolTip(QStringLiteral("次のデータ"));

    Caption("名前", { 12, 38, 64, 20 });
    nameEdit_ = edit("txt_Name", { 80, 38, 200, 20 }, Width(field::kName));
    Caption("敬称", { 296, 38, 52, 20 });
    honorificCombo_ = Place(new QComboBox(panel), "cbo_Keisyou", { 350, 38, 80, 20 });
    honorificCombo_->setEditable(true);
    honorificCombo_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* k : kHonorificItems)
        honorificCombo_->addItem(U8(k));
    honorificCombo_->setValidator(new SjisLimitValidator(Width(field::kHonorific), honorificCombo_));

    Caption("フリガナ", { 12, 63, 64, 20 });
    kanaEdit_ = edit("txt_Kana", { 80, 63, 200, 20 }, Width(field::kKana));
    extrasButton_ = button("cmd_Extras", "連名・会社...", { 436, 37, 96, 22 });
    extrasButton_->setToolTip(QStringLiteral("連名・会社名・年賀状の記録"));
    extrasDialog_ = new QDialog(this);
    extrasDialog_->setObjectName(QStringLiteral("frmExtras"));
    extrasDialog_->setWindowTitle(QStringLiteral("連名・会社・年賀状"));
    auto* extrasLayout = new QVBoxLayout(extrasDialog_);
    extras = new CardExtrasPanel(extrasDialog_);
    extrasLayout->addWidget(extras);
    auto* extrasClose = new QPushButton(QStringLiteral("閉じる"), extrasDialog_);
    extrasClose->setObjectName(QStringLiteral("cmd_ExtrasClose"));
    extrasLayout->addWidget(extrasClose, 0, Qt::AlignRight);
    connect(extrasClose, &QPushButton::clicked, extrasDialog_, &QDialog::accept);
    Caption("性別", { 296, 63, 52, 20 });
    sexCombo_ = Place(new QComboBox(panel), "cbo_Seibetu", { 350, 63, 60, 20 });
    for (const char* s : kGenderItems)
        sexCombo_->addItem(U8(s));
    sexCombo_->setCurrentIndex(-1);

    Caption("生年月日", { 12, 88, 64, 20 });
    birthdayEdit_ = edit("txt_Seinengappi", { 80, 88, 100, 20 }, 0);
    birthdayEdit_->setValidator(
        new SjisLimitValidator(Width(field::kBirthday), birthdayEdit_, SjisLimitValidator::kNarrow));
    imeOff(birthdayEdit_);
    ageLabel_ = Place(new QLabel(panel), "lbl_Age", { 184, 88, 30, 20 });
    ageLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Caption("歳", { 218, 88, 20, 20 });

    Caption("郵便番号", { 12, 118, 64, 20 });
    postalCodeEdit_ = edit("txt_Yubin", { 80, 118, 80, 20 }, 0);
    imeOff(postalCodeEdit_);
    addressButton_ = button("cmd_Address", "検索", { 164, 117, 50, 22 });
    addressButton_->setToolTip(QStringLiteral("郵便番号から住所を検索"));
    Caption("都道府県", { 296, 118, 52, 20 });
    prefectureCombo_ = Place(new QComboBox(panel), "cbo_Ken", { 350, 118, 110, 20 });
    prefectureCombo_->setEditable(true);
    prefectureCombo_->setInsertPolicy(QComboBox::NoInsert);
    prefectureCombo_->setMaxVisibleItems(20);
    for (int i = 0; i < kPrefectureCount; ++i)
        prefectureCombo_->addItem(ToQ(PrefectureName(i)));
    prefectureCombo_->setValidator(new SjisLimitValidator(Width(field::kPrefecture), prefectureCombo_));
    Caption("住所１", { 12, 143, 64, 20 });
    address1Edit_ = edit("txt_Zyusyo1", { 80, 143, 452, 20 }, Width(field::kAddress1));
    Caption("住所２", { 12, 168, 64, 20 });
    address2Edit_ = edit("txt_Zyusyo2", { 80, 168, 452, 20 }, Width(field::kAddress2));

    Caption("電話番号", { 12, 198, 64, 20 });
    phone1Edit_ = edit("txt_Tel1", { 80, 198, 130, 20 }, Width(field::kPhone));
    Caption("ＦＡＸ", { 296, 198, 52, 20 });
    phone2Edit_ = edit("txt_Tel2", { 350, 198, 130, 20 }, Width(field::kFax));
    Caption("携帯番号", { 12, 223, 64, 20 });
    phone3Edit_ = edit("txt_Tel3", { 80, 223, 130, 20 }, Width(field::kMobile));
    for (QLineEdit* e : { phone1Edit_, phone2Edit_, phone3Edit_ })
        imeOff(e);
    Caption("メール", { 12, 248, 64, 20 });
    emailEdit_ = edit("txt_EMail", { 80, 248, 380, 20 }, Width(field::kMail));
    mailButton_ = button("cmd_Mail", "メール", { 464, 247, 68, 22 });
    mailButton_->setToolTip(QStringLiteral("メールソフトを起動"));
    Caption("ＨＰ", { 12, 273, 64, 20 });
    urlEdit_ = edit("txt_URL", { 80, 273, 380, 20 }, Width(field::kHomePage));
    webButton_ = button("cmd_WWW", "ブラウザ", { 464, 272, 68, 22 });
    webButton_->setToolTip(QStringLiteral("ブラウザで表示"));
    imeOff(emailEdit_);
    imeOff(urlEdit_);

    Caption("大分類", { 12, 303, 64, 20 });
    category1Combo_ = Place(new QComboBox(panel), "cbo_Div1", { 80, 303, 150, 20 });
    category1Button_ = button("cmd_Db1", "編集...", { 234, 302, 56, 22 });
    Caption("小分類", { 296, 303, 52, 20 });
    category2Combo_ = Place(new QComboBox(panel), "cbo_Div2", { 350, 303, 126, 20 });
    category2Button_ = button("cmd_Db2", "編集...", { 480, 302, 52, 22 });
    Caption("備考１", { 12, 333, 64, 20 });
    note1Edit_ = edit("txt_Bikou1", { 80, 333, 452, 20 }, Width(field::kNote1));
    Caption("備考２", { 12, 358, 64, 20 });
    note2Edit_ = edit("txt_Bikou2", { 80, 358, 452, 20 }, Width(field::kNote2));

    auto* bevel = new QFrame(panel);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    placed_.push_back({ bevel, { 8, 388, 529, 4 } });
    continuousCheck_ = Place(new QCheckBox(QStringLiteral("連続処理"), panel), "chk_Continu", { 12, 400, 90, 22 });
    inputButton_ = button("cmd_Input", "登録(&I)", { 140, 398, 94, 26 });
    newButton_ = button("cmd_New", "新規作成(&N)", { 238, 398, 102, 26 });
    deleteButton_ = button("cmd_Del", "削除(&D)", { 344, 398, 88, 26 });
    closeButton_ = button("cmd_Close", "キャンセル(&C)", { 436, 398, 100, 26 });

    // Tab order follows the screen from the top: the name's column (名前, フリガナ) before
    // the column beside it, then row by row.
    QWidget* order[] = { senderCheck_, printCheck_, previousButton_, nextButton_, nameEdit_, kanaEdit_, honorificCombo_,
        sexCombo_, extrasButton_, birthdayEdit_, postalCodeEdit_, addressButton_, prefectureCombo_, address1Edit_,
        address2Edit_, phone1Edit_, phone2Edit_, phone3Edit_, emailEdit_, mailButton_, urlEdit_, webButton_,
        category1Combo_, category1Button_, category2Combo_, category2Button_, note1Edit_, note2Edit_, continuousCheck_,
        inputButton_, newButton_, deleteButton_, closeButton_ };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(inputButton_, &QPushButton::clicked, this, &RecordEditor::inputClicked);
    connect(inputAction_, &QAction::triggered, this, &RecordEditor::inputClicked);
    connect(newButton_, &QPushButton::clicked, this, &RecordEditor::newClicked);
    connect(deleteButton_, &QPushButton::clicked, this, &RecordEditor::deleteClicked);
    connect(previousButton_, &QPushButton::clicked, this, &RecordEditor::previousClicked);
    connect(nextButton_, &QPushButton::clicked, this, &RecordEditor::nextClicked);
    connect(closeButton_, &QPushButton::clicked, this, &RecordEditor::reject);
    connect(closeAction_, &QAction::triggered, this, &RecordEditor::reject);
    connect(addressButton_, &QPushButton::clicked, this, &RecordEditor::addressClicked);
    connect(extrasButton_, &QPushButton::clicked, extrasDialog_, &QDialog::exec);
    connect(mailButton_, &QPushButton::clicked, this, &RecordEditor::mailClicked);
    connect(webButton_, &QPushButton::clicked, this, &RecordEditor::webClicked);
    connect(category1Button_, &QPushButton::clicked, this, [this] { categoriesClicked(0); });
    connect(category2Button_, &QPushButton::clicked, this, [this] { categoriesClicked(1); });
}

void RecordEditor::ConnectChanges()
{
    const auto mark = [this] { changed_ = true; };
    for (QLineEdit* e : { nameEdit_, kanaEdit_, birthdayEdit_, postalCodeEdit_, address1Edit_, address2Edit_,
             phone1Edit_, phone2Edit_, phone3Edit_, emailEdit_, urlEdit_, note1Edit_, note2Edit_ })
        connect(e, &QLineEdit::textChanged, this, mark);
    for (QComboBox* c : { honorificCombo_, prefectureCombo_ })
        connect(c, &QComboBox::currentTextChanged, this, mark);
    for (QComboBox* c : { sexCombo_, category1Combo_, category2Combo_ })
        connect(c, &QComboBox::currentIndexChanged, this, mark);
    for (QCheckBox* c : { senderCheck_, printCheck_ })
        connect(c, &QCheckBox::toggled, this, mark);
    connect(extras, &CardExtrasPanel::changed, this, mark);
    // A choice of the user's own replaces the record's unlisted text.
    connect(sexCombo_, &QComboBox::activated, this, [this] { unlisted_[kSlotGender].clear(); });
    connect(category1Combo_, &QComboBox::activated, this, [this] { unlisted_[kSlotDiv1].clear(); });
    connect(category2Combo_, &QComboBox::activated, this, [this] { unlisted_[kSlotDiv2].clear(); });
}

void RecordEditor::FillCategoryList(QComboBox* combo, const char* fileUtf8)
{
    LineList lines;
    // A missing list offers nothing to choose.
    static_cast<void>(lines.LoadText(main_->Settings().BookFile(platform::Utf8ToSjis(fileUtf8))));
    combo->clear();
    for (int i = 0; i < lines.GetCount(); ++i) {
        const std::string_view item = lines.GetLine(i);
        combo->addItem(ToQ(item), QByteArray(item.data(), static_cast<qsizetype>(item.size())));
    }
    combo->setCurrentIndex(-1);
}

void RecordEditor::ReloadLists(const CategoryRenames& renames)
{
    const struct {
        QComboBox* combo;
        const char* file;
        int slot;
    } lists[] = { { category1Combo_, "nrt_ms01.nms", kSlotDiv1 }, { category2Combo_, "nrt_ms02.nms", kSlotDiv2 } };
    for (const auto& l : lists) {
        const int index = l.combo->currentIndex();
        const std::string before = index >= 0 ? ItemBytes(l.combo, index) : unlisted_[static_cast<std::size_t>(l.slot)];
        const QSignalBlocker block(l.combo);
        FillCategoryList(l.combo, l.file);
        int found = before.empty() ? -1 : FindBytes(l.combo, before);
        if (found < 0)
            for (const auto& [from, to] : renames)
                if (from == before)
                    found = FindBytes(l.combo, to);
        l.combo->setCurrentIndex(found);
        // A category that left the list stays in the record, as the records keep it.
        unlisted_[static_cast<std::size_t>(l.slot)] = found < 0 ? before : std::string();
    }
}

void RecordEditor::ApplyRatio(int ratio)
{
    using mainlist::Scaled;
    ratio_ = ratio;
    QFont f = font();
    const int cell = Scaled(kFontCell, ratio);
    f.setPixelSize(cell);
    // The design gives the height of the character cell; Qt sizes the em.
    const int height = QFontMetrics(f).height();
    if (height > cell)
        f.setPixelSize(std::max(1, cell * cell / height));
    setFont(f);
    panel->setFixedSize(Scaled(kClientWidth, ratio), Scaled(kClientHeight, ratio));
    for (const Placed& p : placed_)
        p.widget->setGeometry(Scaled(p.design.x(), ratio), Scaled(p.design.y(), ratio), Scaled(p.design.width(), ratio),
            Scaled(p.design.height(), ratio));
}

void RecordEditor::SetUpKanaCapture()
{
    const bool on = main_->Settings().GetFurigana();
    if (on && !kanaInstalled_)
        kanaInstalled_ = KanaCapture::Install(nameEdit_, kanaEdit_, Width(field::kKana));
    else if (!on && kanaInstalled_) {
        KanaCapture::Remove(nameEdit_);
        kanaInstalled_ = false;
    }
}

void RecordEditor::Prepare(int editPosition, int defaultCategory)
{
    editPosition_ = editPosition;
    currentRecord_ = -1;
    defaultCategory_ = defaultCategory;
    saved_ = false;
    listStale_ = false;
    Load();
    SetUpKanaCapture();
}

bool RecordEditor::ShowFor(int editPosition, int defaultCategory)
{
    Prepare(editPosition, defaultCategory);
    exec();
    return saved_ || listStale_;
}

void RecordEditor::SelectText(QComboBox* combo, const QString& text)
{
    int found = -1;
    for (int i = 0; i < combo->count() && found < 0; ++i)
        if (combo->itemText(i) == text)
            found = i;
    combo->setCurrentIndex(found);
    if (combo->isEditable())
        combo->setEditText(text);
}

void RecordEditor::Load()
{
    loading_ = true;
    Values v;
    if (editPosition_ >= 0 && !ReadValues(main_->Records(), editPosition_, v))
        editPosition_ = -1; // the row is not there any more: a new record
    positionEdit_->setText(QString::number(editPosition_));
    unlisted_ = {};
    const bool isNew = editPosition_ < 0;
    const bool fromDraft = isNew && TakeDraft(v);
    if (isNew && !fromDraft) {
        senderCheck_->setChecked(defaultCategory_ == -1);
        const bool inList = defaultCategory_ > 0 && defaultCategory_ - 1 < category1Combo_->count();
        category1Combo_->setCurrentIndex(inList ? defaultCategory_ - 1 : -1);
        printCheck_->setChecked(true);
        for (QLineEdit* e : { nameEdit_, kanaEdit_, birthdayEdit_, postalCodeEdit_, address1Edit_, address2Edit_,
                 phone1Edit_, phone2Edit_, phone3Edit_, emailEdit_, urlEdit_, note1Edit_, note2Edit_ })
            e->clear();
        honorificCombo_->setCurrentIndex(0);
        prefectureCombo_->setCurrentIndex(-1);
        prefectureCombo_->setEditText(QString());
        sexCombo_->setCurrentIndex(-1);
        category2Combo_->setCurrentIndex(-1);
        ageLabel_->clear();
        loadedBirthday_.clear();
        extras->Clear(cardhistory::CardYear(platform::GetClock().Now()));
    } else {
        if (!fromDraft)
            currentRecord_ = main_->Records().GetRowRecord(editPosition_);
        senderCheck_->setChecked(v[field::kSender].empty() || v[field::kSender][0] != '0');
        printCheck_->setChecked(v[field::kPrintMark].empty() || v[field::kPrintMark][0] != '0');
        const std::pair<QLineEdit*, int> texts[] = {
            { nameEdit_, field::kName },
            { kanaEdit_, field::kKana },
            { postalCodeEdit_, field::kPostalCode },
            { address1Edit_, field::kAddress1 },
            { address2Edit_, field::kAddress2 },
            { phone1Edit_, field::kPhone },
            { phone2Edit_, field::kFax },
            { phone3Edit_, field::kMobile },
            { emailEdit_, field::kMail },
            { urlEdit_, field::kHomePage },
            { note1Edit_, field::kNote1 },
            { note2Edit_, field::kNote2 },
        };
        for (const auto& [edit, item] : texts)
            edit->setText(ToQ(v[static_cast<std::size_t>(item)]));
        SelectText(honorificCombo_, ToQ(v[field::kHonorific]));
        SelectText(prefectureCombo_, ToQ(v[field::kPrefecture]));
        SelectText(sexCombo_, ToQ(v[field::kGender]));
        const std::pair<QComboBox*, int> lists[]
            = { { category1Combo_, field::kCategory }, { category2Combo_, field::kSubcategory } };
        for (const auto& [combo, item] : lists)
            combo->setCurrentIndex(FindBytes(combo, v[static_cast<std::size_t>(item)]));
        if (sexCombo_->currentIndex() < 0)
            unlisted_[kSlotGender] = v[field::kGender];
        if (category1Combo_->currentIndex() < 0)
            unlisted_[kSlotDiv1] = v[field::kCategory];
        if (category2Combo_->currentIndex() < 0)
            unlisted_[kSlotDiv2] = v[field::kSubcategory];
        loadedBirthday_ = v[field::kBirthday];
        birthdayEdit_->setText(ToQ(BirthdayToShow(v[field::kBirthday], main_->Settings().GetEraDates())));
        ShowAge();
        extras->Load(v, cardhistory::CardYear(platform::GetClock().Now()));
    }
    loading_ = false;
    changed_ = fromDraft;
    nameEdit_->setFocus();
    previousButton_->setEnabled(!isNew);
    nextButton_->setEnabled(!isNew);
    deleteButton_->setEnabled(!isNew);
}

std::string RecordEditor::FixedListText(const QComboBox* combo, int slot) const
{
    const int index = combo->currentIndex();
    if (index < 0)
        return unlisted_[static_cast<std::size_t>(slot)];
    const QByteArray b = combo->itemData(index).toByteArray();
    return b.isNull() ? FromQ(combo->itemText(index)) : std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

Values RecordEditor::CollectValues() const
{
    Values v;
    v[field::kSender] = std::string(1, senderCheck_->isChecked() ? '1' : '0');
    v[field::kPrintMark] = std::string(1, printCheck_->isChecked() ? '1' : '0');
    v[field::kName] = FromQ(nameEdit_->text());
    v[field::kKana] = platform::HalfWidthReading(FromQ(kanaEdit_->text()));
    v[field::kHonorific] = FromQ(honorificCombo_->currentText());
    v[field::kGender] = FixedListText(sexCombo_, kSlotGender);
    v[field::kBirthday] = FromQ(birthdayEdit_->text());
    v[field::kPostalCode] = FromQ(postalCodeEdit_->text());
    v[field::kPrefecture] = FromQ(prefectureCombo_->currentText());
    v[field::kAddress1] = FromQ(address1Edit_->text());
    v[field::kAddress2] = FromQ(address2Edit_->text());
    v[field::kPhone] = FromQ(phone1Edit_->text());
    v[field::kFax] = FromQ(phone2Edit_->text());
    v[field::kMobile] = FromQ(phone3Edit_->text());
    v[field::kMail] = FromQ(emailEdit_->text());
    v[field::kHomePage] = FromQ(urlEdit_->text());
    v[field::kCategory] = FixedListText(category1Combo_, kSlotDiv1);
    v[field::kSubcategory] = FixedListText(category2Combo_, kSlotDiv2);
    v[field::kNote1] = FromQ(note1Edit_->text());
    v[field::kNote2] = FromQ(note2Edit_->text());
    extras->Store(v);
    return v;
}

QWidget* RecordEditor::ControlOf(int item) const
{
    // By field index up to the last field of this window; 小分類２ has no control.
    QWidget* const controls[] = { senderCheck_, printCheck_, nameEdit_, kanaEdit_, honorificCombo_, sexCombo_,
        birthdayEdit_, postalCodeEdit_, prefectureCombo_, address1Edit_, address2Edit_, phone1Edit_, phone2Edit_,
        phone3Edit_, emailEdit_, urlEdit_, category1Combo_, category2Combo_, nullptr, note1Edit_, note2Edit_ };
    static_assert(std::size(controls) == field::kNote2 + 1);
    // The fields of the extras window are reached through its button.
    if (item >= field::kJointName1 && item < field::kExtendedEnd)
        return extrasButton_;
    return item >= 0 && item <= field::kNote2 ? controls[item] : nullptr;
}

bool RecordEditor::Save()
{
    const Values values = CollectValues();
    const SaveResult r
        = SaveValues(main_->Records(), editPosition_, values, loadedBirthday_, platform::GetClock().Now());
    switch (r.code) {
    case SaveCode::kSaved:
        break;
    case SaveCode::kRefused:
        platform::Warn(RefusalMessage(r.refused));
        if (QWidget* control = ControlOf(r.refused); control && fieldcatalogue::Info(r.refused).focusOnRefusal)
            control->setFocus();
        return false;
    case SaveCode::kNoSuchRecord:
        platform::Warn(SJ("PG:編集中の宛名が見つかりません。"));
        return false;
    default:
        platform::Warn(SJ("データの保存に失敗しました。"));
        return false;
    }
    // A new record is the table's last one.
    currentRecord_
        = editPosition_ < 0 ? main_->Table().GetRecordCount() - 1 : main_->Records().GetRowRecord(editPosition_);
    editPosition_ = r.position;
    positionEdit_->setText(QString::number(editPosition_));
    loadedBirthday_ = BirthdayToStore(values[field::kBirthday], loadedBirthday_);
    changed_ = false;
    saved_ = true;
    // 登録 puts the record on disk, not only in the list.
    main_->SaveChanges();
    return true;
}

bool RecordEditor::SaveOnQuit()
{
    if (!changed_ || !isVisible())
        return true;
    // No message may be shown now: nobody is left to answer it.
    const Values values = CollectValues();
    const SaveResult r
        = SaveValues(main_->Records(), editPosition_, values, loadedBirthday_, platform::GetClock().Now());
    if (r.code == SaveCode::kSaved) {
        changed_ = false;
        saved_ = true;
        return true;
    }
    // Values the checks refuse are kept as a draft, offered with the next new record.
    if (platform::fs::AtomicWriteFile(main_->Settings().BookFile(kDraftFile), DraftBytes(values), 0600))
        changed_ = false;
    return false;
}

bool RecordEditor::TakeDraft(Values& values)
{
    const std::string path = main_->Settings().BookFile(kDraftFile);
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes))
        return false;
    // Offered once: the answer either way disposes of it.
    platform::fs::RemoveFile(path);
    return ParseDraft(bytes, values)
        && platform::Ask(SJ("前回の終了時に登録できなかった入力があります。入力欄に戻しますか？"), true);
}

void RecordEditor::inputClicked()
{
    if (editPosition_ < 0 && !changed_) {
        platform::Warn(SJ("データが登録されていません。"));
        return;
    }
    const bool wasNew = editPosition_ < 0;
    if (!Save())
        return;
    if (!continuousCheck_->isChecked()) {
        accept();
        return;
    }
    // The record that followed the saved one, found again after the list is rebuilt (a
    // changed reading may have moved the saved one elsewhere).
    const int follower = wasNew ? -1 : main_->Records().GetRowRecord(editPosition_ + 1);
    main_->KeepRecord(currentRecord_);
    main_->RefreshList();
    changed_ = false;
    editPosition_ = follower >= 0 ? main_->RowOfRecord(follower) : -1;
    Load();
    nameEdit_->setFocus();
}

void RecordEditor::newClicked()
{
    if (changed_ && !Save())
        return;
    editPosition_ = -1;
    Load();
}

void RecordEditor::previousClicked()
{
    if (changed_ && !Save())
        return;
    RecordSet& rec = main_->Records();
    if (editPosition_ < 0 || rec.SetPos(editPosition_) < 0 || !rec.HasPrev()) {
        platform::Beep();
        return;
    }
    static_cast<void>(rec.Prev()); // HasPrev said there is a row before
    editPosition_ = rec.GetPos();
    Load();
}

void RecordEditor::nextClicked()
{
    if (changed_ && !Save())
        return;
    RecordSet& rec = main_->Records();
    if (editPosition_ < 0 || rec.SetPos(editPosition_) < 0 || !rec.HasNext()) {
        platform::Beep();
        return;
    }
    static_cast<void>(rec.Next()); // HasNext said there is a row after
    editPosition_ = rec.GetPos();
    Load();
}

void RecordEditor::deleteClicked()
{
    if (!platform::Ask(SJ("削除します。よろしいですか？")))
        return;
    RecordSet& rec = main_->Records();
    // The list moves to the record that followed the deleted one (or, after the last,
    // to the one before it).
    const int follower = editPosition_ + 1 < rec.GetRowCount() ? rec.GetRowRecord(editPosition_ + 1)
                                                               : rec.GetRowRecord(editPosition_ - 1);
    if (editPosition_ < 0 || rec.SetPos(editPosition_) < 0 || !rec.DeleteCurrent(0)) {
        platform::Beep();
        return;
    }
    currentRecord_ = follower;
    main_->KeepRecord(currentRecord_);
    main_->RefreshList();
    changed_ = false;
    if (!continuousCheck_->isChecked()) {
        accept();
        return;
    }
    if (editPosition_ >= main_->Records().GetRowCount())
        editPosition_ = -1;
    Load();
}

void RecordEditor::reject()
{
    if (changed_) {
        if (!platform::Ask(SJ("更新があります。破棄しますか？")))
            return;
        changed_ = false;
    }
    QDialog::reject();
}

void RecordEditor::ShowAge()
{
    const int age = AgeYears(FromQ(birthdayEdit_->text()), today_);
    ageLabel_->setText(age >= 0 ? QString::number(age) : QString());
}

void RecordEditor::postalCodeLeft()
{
    const std::string text = FromQ(postalCodeEdit_->text());
    const std::string hyphenated = PostalCodeWithHyphen(text);
    if (hyphenated != text)
        postalCodeEdit_->setText(ToQ(hyphenated));
}

void RecordEditor::kanaLeft()
{
    // Shown as it will be stored, so the user sees what the kana index will read.
    const std::string typed = FromQ(kanaEdit_->text());
    if (platform::NeedsHalfWidthReading(typed))
        kanaEdit_->setText(ToQ(platform::HalfWidthReading(typed)));
}

bool RecordEditor::birthdayLeft()
{
    const std::string typed = FromQ(birthdayEdit_->text());
    if (typed.empty()) {
        ageLabel_->clear();
        return true;
    }
    const std::string text = DateInput(typed);
    if (!IsValidDate(text)) {
        platform::Warn(SJ("不正な日付です。\n1970/05/05、19700505、S45/05/05 のように入力して下さい。"));
        birthdayEdit_->setFocus();
        return false;
    }
    const std::string shown = FormatDate(text, main_->Settings().GetEraDates());
    if (shown != typed)
        birthdayEdit_->setText(ToQ(shown));
    ShowAge();
    return true;
}

void RecordEditor::addressClicked()
{
    const AddressFields in { FromQ(postalCodeEdit_->text()), FromQ(prefectureCombo_->currentText()),
        FromQ(address1Edit_->text()), FromQ(address2Edit_->text()) };
    // A firm's own code is in the business list, not in the town dictionary.
    BusinessCodes business;
    std::string company;
    const std::optional<AddressFillResult> firm = business.Load(main_->Settings().DataFile(kBusinessCodeFile))
        ? FillFromBusinessCode(business, in, company)
        : std::nullopt;
    if (firm)
        extras->OfferCompany(ToQ(company));
    // Without a dictionary every code would be "not found": say what is missing instead.
    if (!firm && !CheckPostalDictionary(main_->Settings().PostalFile({})))
        return;
    const AddressFillResult r = firm ? *firm : FillAddressFromPostalCode(main_->Settings().PostalFile({}), in);
    if (r.postalCodeChanged)
        postalCodeEdit_->setText(ToQ(r.fields.postalCode));
    if (r.prefectureChanged) {
        SelectText(prefectureCombo_, ToQ(r.fields.prefecture));
        changed_ = true;
    }
    if (r.address1Changed)
        address1Edit_->setText(ToQ(r.fields.address1));
    if (r.focusAddress1)
        address1Edit_->setFocus();
    if (!r.openBrowser)
        return;
    // The browser starts at the towns of a code several towns share, or else at the
    // cities of the prefecture chosen here, if it is one.
    const std::string typed = FromQ(prefectureCombo_->currentText());
    std::string prefecture = PrefectureIndex(typed) >= 0 ? typed : std::string();
    TownChoice choice;
    if (!r.browseCode.empty()) {
        choice.code = r.browseCode;
        prefecture = r.browsePrefecture;
    }
    if (!townPicker_ || !townPicker_(this, prefecture, choice))
        return;
    postalCodeEdit_->setText(ToQ(choice.code));
    SelectText(prefectureCombo_, ToQ(choice.prefecture));
    changed_ = true;
    address1Edit_->setText(ToQ(choice.city + choice.town));
    address1Edit_->setFocus();
}

bool RecordEditor::OpenUrl(const QUrl& url)
{
    if (QDesktopServices::openUrl(url))
        return true;
    platform::Warn(SJ("実行に失敗しました。"));
    return false;
}

void RecordEditor::mailClicked()
{
    const std::string address = FromQ(emailEdit_->text());
    if (address.empty()) {
        platform::Beep();
        return;
    }
    if (!IsUsableMailAddress(address)) {
        platform::Warn(SJ("不正なメールアドレスです。"));
        return;
    }
    const std::string link = MailLinkToOpen(address);
    if (link.empty()) {
        platform::Warn(MailLinkRefusal(address));
        return;
    }
    OpenUrl(QUrl(ToQ(link)));
}

void RecordEditor::webClicked()
{
    if (urlEdit_->text().isEmpty()) {
        platform::Beep();
        return;
    }
    const std::string address = FromQ(urlEdit_->text());
    const std::string link = WebLinkToOpen(address);
    const QUrl url(ToQ(link));
    // Qt's own reading must agree: only a web address goes to the browser.
    if (link.empty() || !url.isValid()
        || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) || url.host().isEmpty()) {
        platform::Warn(WebLinkRefusal(address));
        return;
    }
    OpenUrl(url);
}

void RecordEditor::categoriesClicked(int kind)
{
    EditCategoryList(*main_, this, kind);
}

bool RecordEditor::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusOut: {
        // Only a move within the form; a dialog or another window taking the focus is not
        // the user leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !isVisible())
            break;
        if (watched == postalCodeEdit_)
            postalCodeLeft();
        else if (watched == birthdayEdit_)
            birthdayLeft();
        else if (watched == kanaEdit_)
            kanaLeft();
        break;
    }
    case QEvent::KeyRelease:
        if (watched == nameEdit_ && main_->Settings().GetFurigana() && nameEdit_->text().isEmpty())
            kanaEdit_->clear();
        break;
    case QEvent::KeyPress:
        if ((watched == category1Combo_ || watched == category2Combo_)
            && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            auto* combo = static_cast<QComboBox*>(watched);
            std::string& unlisted
                = unlisted_[static_cast<std::size_t>(combo == category1Combo_ ? kSlotDiv1 : kSlotDiv2)];
            // Clearing a category the list does not hold changes the record too.
            if (combo->currentIndex() < 0 && !unlisted.empty())
                changed_ = true;
            unlisted.clear();
            combo->setCurrentIndex(-1);
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void ReloadInputLists(MainWindow& main)
{
    if (auto* input = main.findChild<RecordEditor*>())
        input->ReloadLists();
}

} // namespace nrt::gui
