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
constexpr int kKanaLimit = 30;

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
    mnu_FileInput = file->addAction(QStringLiteral("登録(&I)"));
    mnu_FileInput->setObjectName(QStringLiteral("mnu_FileInput"));
    file->addSeparator();
    mnu_Close = file->addAction(QStringLiteral("キャンセル(&C)"));
    mnu_Close->setObjectName(QStringLiteral("mnu_Close"));
    layout->setMenuBar(menu);
    panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("panel"));
    layout->addWidget(panel);

    BuildControls();
    FillCategoryList(cbo_Div1, "nrt_ms01.nms");
    FillCategoryList(cbo_Div2, "nrt_ms02.nms");
    ConnectChanges();
    EnterFocusFilter::InstallOn(this);
    for (QObject* o :
        std::initializer_list<QObject*> { txt_Yubin, txt_Seinengappi, txt_Name, txt_Kana, cbo_Div1, cbo_Div2 })
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
    chk_Sender = Place(new QCheckBox(QStringLiteral("差出人"), panel), "chk_Sender", { 12, 8, 72, 20 });
    chk_Print = Place(new QCheckBox(QStringLiteral("印刷する"), panel), "chk_Print", { 90, 8, 90, 20 });
    txt_RecNo = Place(new QLineEdit(panel), "txt_RecNo", { 300, 8, 60, 20 });
    txt_RecNo->setVisible(false);
    txt_RecNo->setReadOnly(true);
    cmd_Left = button("cmd_Left", "◀", { 456, 6, 36, 22 });
    cmd_Left->setToolTip(QStringLiteral("前のデータ"));
    cmd_Right = button("cmd_Right", "▶", { 496, 6, 36, 22 });
    cmd_Right->setToolTip(QStringLiteral("次のデータ"));

    Caption("名前", { 12, 38, 64, 20 });
    txt_Name = edit("txt_Name", { 80, 38, 200, 20 }, 30);
    Caption("敬称", { 296, 38, 52, 20 });
    cbo_Keisyou = Place(new QComboBox(panel), "cbo_Keisyou", { 350, 38, 80, 20 });
    cbo_Keisyou->setEditable(true);
    cbo_Keisyou->setInsertPolicy(QComboBox::NoInsert);
    for (const char* k : kHonorificItems)
        cbo_Keisyou->addItem(U8(k));
    cbo_Keisyou->setValidator(new SjisLimitValidator(4, cbo_Keisyou));

    Caption("フリガナ", { 12, 63, 64, 20 });
    txt_Kana = edit("txt_Kana", { 80, 63, 200, 20 }, 30);
    cmd_Extras = button("cmd_Extras", "連名・会社...", { 436, 37, 96, 22 });
    cmd_Extras->setToolTip(QStringLiteral("連名・会社名・年賀状の記録"));
    frmExtras = new QDialog(this);
    frmExtras->setObjectName(QStringLiteral("frmExtras"));
    frmExtras->setWindowTitle(QStringLiteral("連名・会社・年賀状"));
    auto* extrasLayout = new QVBoxLayout(frmExtras);
    extras = new CardExtrasPanel(frmExtras);
    extrasLayout->addWidget(extras);
    auto* extrasClose = new QPushButton(QStringLiteral("閉じる"), frmExtras);
    extrasClose->setObjectName(QStringLiteral("cmd_ExtrasClose"));
    extrasLayout->addWidget(extrasClose, 0, Qt::AlignRight);
    connect(extrasClose, &QPushButton::clicked, frmExtras, &QDialog::accept);
    Caption("性別", { 296, 63, 52, 20 });
    cbo_Seibetu = Place(new QComboBox(panel), "cbo_Seibetu", { 350, 63, 60, 20 });
    for (const char* s : kGenderItems)
        cbo_Seibetu->addItem(U8(s));
    cbo_Seibetu->setCurrentIndex(-1);

    Caption("生年月日", { 12, 88, 64, 20 });
    txt_Seinengappi = edit("txt_Seinengappi", { 80, 88, 100, 20 }, 0);
    txt_Seinengappi->setValidator(new SjisLimitValidator(10, txt_Seinengappi, SjisLimitValidator::kNarrow));
    imeOff(txt_Seinengappi);
    lbl_Age = Place(new QLabel(panel), "lbl_Age", { 184, 88, 30, 20 });
    lbl_Age->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Caption("歳", { 218, 88, 20, 20 });

    Caption("郵便番号", { 12, 118, 64, 20 });
    txt_Yubin = edit("txt_Yubin", { 80, 118, 80, 20 }, 0);
    imeOff(txt_Yubin);
    cmd_Address = button("cmd_Address", "検索", { 164, 117, 50, 22 });
    cmd_Address->setToolTip(QStringLiteral("郵便番号から住所を検索"));
    Caption("都道府県", { 296, 118, 52, 20 });
    cbo_Ken = Place(new QComboBox(panel), "cbo_Ken", { 350, 118, 110, 20 });
    cbo_Ken->setEditable(true);
    cbo_Ken->setInsertPolicy(QComboBox::NoInsert);
    cbo_Ken->setMaxVisibleItems(20);
    for (int i = 0; i < kPrefectureCount; ++i)
        cbo_Ken->addItem(ToQ(PrefectureName(i)));
    cbo_Ken->setValidator(new SjisLimitValidator(15, cbo_Ken));
    Caption("住所１", { 12, 143, 64, 20 });
    txt_Zyusyo1 = edit("txt_Zyusyo1", { 80, 143, 452, 20 }, 100);
    Caption("住所２", { 12, 168, 64, 20 });
    txt_Zyusyo2 = edit("txt_Zyusyo2", { 80, 168, 452, 20 }, 80);

    Caption("電話番号", { 12, 198, 64, 20 });
    txt_Tel1 = edit("txt_Tel1", { 80, 198, 130, 20 }, 15);
    Caption("ＦＡＸ", { 296, 198, 52, 20 });
    txt_Tel2 = edit("txt_Tel2", { 350, 198, 130, 20 }, 15);
    Caption("携帯番号", { 12, 223, 64, 20 });
    txt_Tel3 = edit("txt_Tel3", { 80, 223, 130, 20 }, 15);
    for (QLineEdit* e : { txt_Tel1, txt_Tel2, txt_Tel3 })
        imeOff(e);
    Caption("メール", { 12, 248, 64, 20 });
    txt_EMail = edit("txt_EMail", { 80, 248, 380, 20 }, 100);
    cmd_Mail = button("cmd_Mail", "メール", { 464, 247, 68, 22 });
    cmd_Mail->setToolTip(QStringLiteral("メールソフトを起動"));
    Caption("ＨＰ", { 12, 273, 64, 20 });
    txt_URL = edit("txt_URL", { 80, 273, 380, 20 }, 100);
    cmd_WWW = button("cmd_WWW", "ブラウザ", { 464, 272, 68, 22 });
    cmd_WWW->setToolTip(QStringLiteral("ブラウザで表示"));
    imeOff(txt_EMail);
    imeOff(txt_URL);

    Caption("大分類", { 12, 303, 64, 20 });
    cbo_Div1 = Place(new QComboBox(panel), "cbo_Div1", { 80, 303, 150, 20 });
    cmd_Db1 = button("cmd_Db1", "編集...", { 234, 302, 56, 22 });
    Caption("小分類", { 296, 303, 52, 20 });
    cbo_Div2 = Place(new QComboBox(panel), "cbo_Div2", { 350, 303, 126, 20 });
    cmd_Db2 = button("cmd_Db2", "編集...", { 480, 302, 52, 22 });
    Caption("備考１", { 12, 333, 64, 20 });
    txt_Bikou1 = edit("txt_Bikou1", { 80, 333, 452, 20 }, 100);
    Caption("備考２", { 12, 358, 64, 20 });
    txt_Bikou2 = edit("txt_Bikou2", { 80, 358, 452, 20 }, 100);

    auto* bevel = new QFrame(panel);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    placed_.push_back({ bevel, { 8, 388, 529, 4 } });
    chk_Continu = Place(new QCheckBox(QStringLiteral("連続処理"), panel), "chk_Continu", { 12, 400, 90, 22 });
    cmd_Input = button("cmd_Input", "登録(&I)", { 140, 398, 94, 26 });
    cmd_New = button("cmd_New", "新規作成(&N)", { 238, 398, 102, 26 });
    cmd_Del = button("cmd_Del", "削除(&D)", { 344, 398, 88, 26 });
    cmd_Close = button("cmd_Close", "キャンセル(&C)", { 436, 398, 100, 26 });

    // Tab order follows the screen from the top: the name's column (名前, フリガナ) before
    // the column beside it, then row by row.
    QWidget* order[] = { chk_Sender, chk_Print, cmd_Left, cmd_Right, txt_Name, txt_Kana, cbo_Keisyou, cbo_Seibetu,
        cmd_Extras, txt_Seinengappi, txt_Yubin, cmd_Address, cbo_Ken, txt_Zyusyo1, txt_Zyusyo2, txt_Tel1, txt_Tel2,
        txt_Tel3, txt_EMail, cmd_Mail, txt_URL, cmd_WWW, cbo_Div1, cmd_Db1, cbo_Div2, cmd_Db2, txt_Bikou1, txt_Bikou2,
        chk_Continu, cmd_Input, cmd_New, cmd_Del, cmd_Close };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(cmd_Input, &QPushButton::clicked, this, &RecordEditor::cmd_InputClick);
    connect(mnu_FileInput, &QAction::triggered, this, &RecordEditor::cmd_InputClick);
    connect(cmd_New, &QPushButton::clicked, this, &RecordEditor::cmd_NewClick);
    connect(cmd_Del, &QPushButton::clicked, this, &RecordEditor::cmd_DelClick);
    connect(cmd_Left, &QPushButton::clicked, this, &RecordEditor::cmd_LeftClick);
    connect(cmd_Right, &QPushButton::clicked, this, &RecordEditor::cmd_RightClick);
    connect(cmd_Close, &QPushButton::clicked, this, &RecordEditor::reject);
    connect(mnu_Close, &QAction::triggered, this, &RecordEditor::reject);
    connect(cmd_Address, &QPushButton::clicked, this, &RecordEditor::cmd_AddressClick);
    connect(cmd_Extras, &QPushButton::clicked, frmExtras, &QDialog::exec);
    connect(cmd_Mail, &QPushButton::clicked, this, &RecordEditor::cmd_MailClick);
    connect(cmd_WWW, &QPushButton::clicked, this, &RecordEditor::cmd_WWWClick);
    connect(cmd_Db1, &QPushButton::clicked, this, [this] { cmd_DbClick(0); });
    connect(cmd_Db2, &QPushButton::clicked, this, [this] { cmd_DbClick(1); });
}

void RecordEditor::ConnectChanges()
{
    const auto mark = [this] { changed_ = true; };
    for (QLineEdit* e : { txt_Name, txt_Kana, txt_Seinengappi, txt_Yubin, txt_Zyusyo1, txt_Zyusyo2, txt_Tel1, txt_Tel2,
             txt_Tel3, txt_EMail, txt_URL, txt_Bikou1, txt_Bikou2 })
        connect(e, &QLineEdit::textChanged, this, mark);
    for (QComboBox* c : { cbo_Keisyou, cbo_Ken })
        connect(c, &QComboBox::currentTextChanged, this, mark);
    for (QComboBox* c : { cbo_Seibetu, cbo_Div1, cbo_Div2 })
        connect(c, &QComboBox::currentIndexChanged, this, mark);
    for (QCheckBox* c : { chk_Sender, chk_Print })
        connect(c, &QCheckBox::toggled, this, mark);
    connect(extras, &CardExtrasPanel::changed, this, mark);
    // A choice of the user's own replaces the record's unlisted text.
    connect(cbo_Seibetu, &QComboBox::activated, this, [this] { unlisted_[kSlotGender].clear(); });
    connect(cbo_Div1, &QComboBox::activated, this, [this] { unlisted_[kSlotDiv1].clear(); });
    connect(cbo_Div2, &QComboBox::activated, this, [this] { unlisted_[kSlotDiv2].clear(); });
}

void RecordEditor::FillCategoryList(QComboBox* combo, const char* fileUtf8)
{
    LineList lines;
    // A missing list offers nothing to choose.
    static_cast<void>(lines.LoadText(main_->Global().UserFile(platform::Utf8ToSjis(fileUtf8))));
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
    } lists[] = { { cbo_Div1, "nrt_ms01.nms", kSlotDiv1 }, { cbo_Div2, "nrt_ms02.nms", kSlotDiv2 } };
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
    const bool on = main_->Global().GetFurigana();
    if (on && !kanaInstalled_)
        kanaInstalled_ = KanaCapture::Install(txt_Name, txt_Kana, kKanaLimit);
    else if (!on && kanaInstalled_) {
        KanaCapture::Remove(txt_Name);
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
    txt_RecNo->setText(QString::number(editPosition_));
    unlisted_ = {};
    const bool isNew = editPosition_ < 0;
    const bool fromDraft = isNew && TakeDraft(v);
    if (isNew && !fromDraft) {
        chk_Sender->setChecked(defaultCategory_ == -1);
        const bool inList = defaultCategory_ > 0 && defaultCategory_ - 1 < cbo_Div1->count();
        cbo_Div1->setCurrentIndex(inList ? defaultCategory_ - 1 : -1);
        chk_Print->setChecked(true);
        for (QLineEdit* e : { txt_Name, txt_Kana, txt_Seinengappi, txt_Yubin, txt_Zyusyo1, txt_Zyusyo2, txt_Tel1,
                 txt_Tel2, txt_Tel3, txt_EMail, txt_URL, txt_Bikou1, txt_Bikou2 })
            e->clear();
        cbo_Keisyou->setCurrentIndex(0);
        cbo_Ken->setCurrentIndex(-1);
        cbo_Ken->setEditText(QString());
        cbo_Seibetu->setCurrentIndex(-1);
        cbo_Div2->setCurrentIndex(-1);
        lbl_Age->clear();
        loadedBirthday_.clear();
        extras->Clear(cardhistory::CardYear(platform::GetClock().Now()));
    } else {
        if (!fromDraft)
            currentRecord_ = main_->Records().GetRowRecord(editPosition_);
        chk_Sender->setChecked(v[kSender].empty() || v[kSender][0] != '0');
        chk_Print->setChecked(v[kPrintMark].empty() || v[kPrintMark][0] != '0');
        const std::pair<QLineEdit*, int> texts[] = {
            { txt_Name, kName },
            { txt_Kana, kKana },
            { txt_Yubin, kPostalCode },
            { txt_Zyusyo1, kAddress1 },
            { txt_Zyusyo2, kAddress2 },
            { txt_Tel1, kPhone },
            { txt_Tel2, kFax },
            { txt_Tel3, kMobile },
            { txt_EMail, kMail },
            { txt_URL, kHomePage },
            { txt_Bikou1, kNote1 },
            { txt_Bikou2, kNote2 },
        };
        for (const auto& [edit, item] : texts)
            edit->setText(ToQ(v[static_cast<std::size_t>(item)]));
        SelectText(cbo_Keisyou, ToQ(v[kHonorific]));
        SelectText(cbo_Ken, ToQ(v[kPrefecture]));
        SelectText(cbo_Seibetu, ToQ(v[kGender]));
        const std::pair<QComboBox*, int> lists[] = { { cbo_Div1, kCategory }, { cbo_Div2, kSubcategory } };
        for (const auto& [combo, item] : lists)
            combo->setCurrentIndex(FindBytes(combo, v[static_cast<std::size_t>(item)]));
        if (cbo_Seibetu->currentIndex() < 0)
            unlisted_[kSlotGender] = v[kGender];
        if (cbo_Div1->currentIndex() < 0)
            unlisted_[kSlotDiv1] = v[kCategory];
        if (cbo_Div2->currentIndex() < 0)
            unlisted_[kSlotDiv2] = v[kSubcategory];
        loadedBirthday_ = v[kBirthday];
        txt_Seinengappi->setText(ToQ(BirthdayToShow(v[kBirthday], main_->Global().GetEraDates())));
        ShowAge();
        extras->Load(v, cardhistory::CardYear(platform::GetClock().Now()));
    }
    loading_ = false;
    changed_ = fromDraft;
    txt_Name->setFocus();
    cmd_Left->setEnabled(!isNew);
    cmd_Right->setEnabled(!isNew);
    cmd_Del->setEnabled(!isNew);
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
    v[kSender] = std::string(1, chk_Sender->isChecked() ? '1' : '0');
    v[kPrintMark] = std::string(1, chk_Print->isChecked() ? '1' : '0');
    v[kName] = FromQ(txt_Name->text());
    v[kKana] = platform::HalfWidthReading(FromQ(txt_Kana->text()));
    v[kHonorific] = FromQ(cbo_Keisyou->currentText());
    v[kGender] = FixedListText(cbo_Seibetu, kSlotGender);
    v[kBirthday] = FromQ(txt_Seinengappi->text());
    v[kPostalCode] = FromQ(txt_Yubin->text());
    v[kPrefecture] = FromQ(cbo_Ken->currentText());
    v[kAddress1] = FromQ(txt_Zyusyo1->text());
    v[kAddress2] = FromQ(txt_Zyusyo2->text());
    v[kPhone] = FromQ(txt_Tel1->text());
    v[kFax] = FromQ(txt_Tel2->text());
    v[kMobile] = FromQ(txt_Tel3->text());
    v[kMail] = FromQ(txt_EMail->text());
    v[kHomePage] = FromQ(txt_URL->text());
    v[kCategory] = FixedListText(cbo_Div1, kSlotDiv1);
    v[kSubcategory] = FixedListText(cbo_Div2, kSlotDiv2);
    v[kNote1] = FromQ(txt_Bikou1->text());
    v[kNote2] = FromQ(txt_Bikou2->text());
    extras->Store(v);
    return v;
}

QWidget* RecordEditor::ControlOf(int item) const
{
    QWidget* const controls[] = { chk_Sender, chk_Print, txt_Name, txt_Kana, cbo_Keisyou, cbo_Seibetu, txt_Seinengappi,
        txt_Yubin, cbo_Ken, txt_Zyusyo1, txt_Zyusyo2, txt_Tel1, txt_Tel2, txt_Tel3, txt_EMail, txt_URL, cbo_Div1,
        cbo_Div2, txt_Bikou1, txt_Bikou2 };
    static_assert(std::size(controls) == kJointName1);
    // The items of the extras window are reached through its button.
    if (item >= kJointName1 && item < kItemCount)
        return cmd_Extras;
    return item >= 0 && item < kJointName1 ? controls[item] : nullptr;
}

bool RecordEditor::Save()
{
    const Values values = CollectValues();
    const SaveResult r
        = SaveValues(main_->Records(), editPosition_, values, loadedBirthday_, platform::GetClock().Now());
    switch (r.code) {
    case kSaved:
        break;
    case kRefused:
        platform::Warn(RefusalMessage(r.refused));
        if (kItems[static_cast<std::size_t>(r.refused)].focusOnRefusal)
            ControlOf(r.refused)->setFocus();
        return false;
    case kNoSuchRecord:
        platform::Warn(SJ("PG:編集中の宛名が見つかりません。"));
        return false;
    default:
        platform::Warn(SJ("データの保存に失敗しました。"));
        return false;
    }
    // A new record is the table's last one.
    currentRecord_ = editPosition_ < 0 ? main_->Table().GetRecordCount() - 1 : main_->Records().GetRowRecord(editPosition_);
    editPosition_ = r.position;
    txt_RecNo->setText(QString::number(editPosition_));
    loadedBirthday_ = BirthdayToStore(values[kBirthday], loadedBirthday_);
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
    const SaveResult r = SaveValues(main_->Records(), editPosition_, values, loadedBirthday_, platform::GetClock().Now());
    if (r.code == kSaved) {
        changed_ = false;
        saved_ = true;
        return true;
    }
    // Values the checks refuse are kept as a draft, offered with the next new record.
    if (platform::fs::AtomicWriteFile(main_->Global().UserFile(kDraftFile), DraftBytes(values), 0600))
        changed_ = false;
    return false;
}

bool RecordEditor::TakeDraft(Values& values)
{
    const std::string path = main_->Global().UserFile(kDraftFile);
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes))
        return false;
    // Offered once: the answer either way disposes of it.
    platform::fs::RemoveFile(path);
    return ParseDraft(bytes, values)
        && platform::Ask(SJ("前回の終了時に登録できなかった入力があります。入力欄に戻しますか？"), true);
}

void RecordEditor::cmd_InputClick()
{
    if (editPosition_ < 0 && !changed_) {
        platform::Warn(SJ("データが登録されていません。"));
        return;
    }
    const bool wasNew = editPosition_ < 0;
    if (!Save())
        return;
    if (!chk_Continu->isChecked()) {
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
    txt_Name->setFocus();
}

void RecordEditor::cmd_NewClick()
{
    if (changed_ && !Save())
        return;
    editPosition_ = -1;
    Load();
}

void RecordEditor::cmd_LeftClick()
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

void RecordEditor::cmd_RightClick()
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

void RecordEditor::cmd_DelClick()
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
    if (!chk_Continu->isChecked()) {
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
    const int age = AgeYears(FromQ(txt_Seinengappi->text()), today_);
    lbl_Age->setText(age >= 0 ? QString::number(age) : QString());
}

void RecordEditor::txt_YubinExit()
{
    const std::string text = FromQ(txt_Yubin->text());
    const std::string hyphenated = PostalCodeWithHyphen(text);
    if (hyphenated != text)
        txt_Yubin->setText(ToQ(hyphenated));
}

void RecordEditor::txt_KanaExit()
{
    // Shown as it will be stored, so the user sees what the kana index will read.
    const std::string typed = FromQ(txt_Kana->text());
    if (platform::NeedsHalfWidthReading(typed))
        txt_Kana->setText(ToQ(platform::HalfWidthReading(typed)));
}

bool RecordEditor::txt_SeinengappiExit()
{
    const std::string typed = FromQ(txt_Seinengappi->text());
    if (typed.empty()) {
        lbl_Age->clear();
        return true;
    }
    const std::string text = DateInput(typed);
    if (!IsValidDate(text)) {
        platform::Warn(SJ("不正な日付です。\n1970/05/05、19700505、S45/05/05 のように入力して下さい。"));
        txt_Seinengappi->setFocus();
        return false;
    }
    const std::string shown = FormatDate(text, main_->Global().GetEraDates());
    if (shown != typed)
        txt_Seinengappi->setText(ToQ(shown));
    ShowAge();
    return true;
}

void RecordEditor::cmd_AddressClick()
{
    // Without a dictionary every code would be "not found": say what is missing instead.
    if (!CheckPostalDictionary(main_->Global().PostalFile({})))
        return;
    const AddressFields in { FromQ(txt_Yubin->text()), FromQ(cbo_Ken->currentText()), FromQ(txt_Zyusyo1->text()),
        FromQ(txt_Zyusyo2->text()) };
    const AddressFillResult r = FillAddressFromPostalCode(main_->Global().PostalFile({}), in);
    if (r.postalCodeChanged)
        txt_Yubin->setText(ToQ(r.fields.postalCode));
    if (r.prefectureChanged) {
        SelectText(cbo_Ken, ToQ(r.fields.prefecture));
        changed_ = true;
    }
    if (r.address1Changed)
        txt_Zyusyo1->setText(ToQ(r.fields.address1));
    if (r.focusAddress1)
        txt_Zyusyo1->setFocus();
    if (!r.openBrowser)
        return;
    // The browser starts at the towns of a code several towns share, or else at the
    // cities of the prefecture chosen here, if it is one.
    const std::string typed = FromQ(cbo_Ken->currentText());
    std::string prefecture = PrefectureIndex(typed) >= 0 ? typed : std::string();
    TownChoice choice;
    if (!r.browseCode.empty()) {
        choice.code = r.browseCode;
        prefecture = r.browsePrefecture;
    }
    if (!townPicker_ || !townPicker_(this, prefecture, choice))
        return;
    txt_Yubin->setText(ToQ(choice.code));
    SelectText(cbo_Ken, ToQ(choice.prefecture));
    changed_ = true;
    txt_Zyusyo1->setText(ToQ(choice.city + choice.town));
    txt_Zyusyo1->setFocus();
}

bool RecordEditor::OpenUrl(const QUrl& url)
{
    if (QDesktopServices::openUrl(url))
        return true;
    platform::Warn(SJ("実行に失敗しました。"));
    return false;
}

void RecordEditor::cmd_MailClick()
{
    const std::string address = FromQ(txt_EMail->text());
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

void RecordEditor::cmd_WWWClick()
{
    if (txt_URL->text().isEmpty()) {
        platform::Beep();
        return;
    }
    const std::string address = FromQ(txt_URL->text());
    const std::string link = WebLinkToOpen(address);
    const QUrl url(ToQ(link));
    // Qt's own reading must agree: only a web address goes to the browser.
    if (link.empty() || !url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        || url.host().isEmpty()) {
        platform::Warn(WebLinkRefusal(address));
        return;
    }
    OpenUrl(url);
}

void RecordEditor::cmd_DbClick(int kind)
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
        if (watched == txt_Yubin)
            txt_YubinExit();
        else if (watched == txt_Seinengappi)
            txt_SeinengappiExit();
        else if (watched == txt_Kana)
            txt_KanaExit();
        break;
    }
    case QEvent::KeyRelease:
        if (watched == txt_Name && main_->Global().GetFurigana() && txt_Name->text().isEmpty())
            txt_Kana->clear();
        break;
    case QEvent::KeyPress:
        if ((watched == cbo_Div1 || watched == cbo_Div2) && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            auto* combo = static_cast<QComboBox*>(watched);
            std::string& unlisted = unlisted_[static_cast<std::size_t>(combo == cbo_Div1 ? kSlotDiv1 : kSlotDiv2)];
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
