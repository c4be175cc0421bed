#include "forms/AddressBrowser.h"

#include "app/EnterFocusFilter.h"
#include "db/MainList.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

#include <algorithm>
#include <utility>

namespace nrt::gui {

// The browser's rows under the grid's header; navy text while a kana filter is set.
class AddressRowsModel : public QAbstractTableModel {
public:
    AddressRowsModel(const PostalBrowser& browser, QObject* parent)
        : QAbstractTableModel(parent)
        , browser_(browser)
    {
    }

    void Reload()
    {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(browser_.Rows().size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        if (role == Qt::ForegroundRole)
            return browser_.IsFiltered() ? QVariant(QColor(0, 0, 128)) : QVariant();
        if (role != Qt::DisplayRole)
            return {};
        const PostalBrowserRow& row = browser_.Rows()[static_cast<std::size_t>(index.row())];
        switch (index.column()) {
        case 0:
            return ToQ(row.code);
        case 1:
            return ToQ(row.name);
        default:
            return ToQ(row.reading);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QString captions[]
            = { QStringLiteral("郵便番号"), QStringLiteral("住所"), QStringLiteral("住所カナ") };
        return section >= 0 && section < 3 ? captions[section] : QVariant();
    }

private:
    const PostalBrowser& browser_;
};

namespace {

struct Rect {
    int x, y, w, h;
};

// Design geometry at 100 %.
constexpr Rect kKanaFirst { 8, 8, 40, 24 };
constexpr int kKanaStep = 44;
constexpr Rect kAddressLabel { 8, 40, 482, 18 };
constexpr Rect kGrid { 8, 62, 482, 240 };
constexpr Rect kCountLabel { 8, 310, 40, 18 };
constexpr Rect kPrefectureLabel { 48, 310, 80, 18 };
constexpr Rect kPrefectureButton { 8, 336, 88, 28 };
constexpr Rect kCityButton { 100, 336, 88, 28 };
constexpr Rect kOk { 306, 336, 88, 28 };
constexpr Rect kClose { 400, 336, 90, 28 };
constexpr int kColumnWidths[] = { 72, 200, 186 };
constexpr int kRowHeight = 18;
constexpr int kFontHeight = 12;

constexpr const char* kKanaNames[kKanaFilterCount]
    = { "cmd_all", "cmd_a", "cmd_k", "cmd_s", "cmd_t", "cmd_n", "cmd_h", "cmd_m", "cmd_y", "cmd_r", "cmd_w" };
constexpr const char* kKanaCaptions[kKanaFilterCount]
    = { "全て", "ア", "カ", "サ", "タ", "ナ", "ハ", "マ", "ヤ", "ラ", "ワ" };

void SetRect(QWidget* w, const Rect& r, int ratio)
{
    using mainlist::Scaled;
    w->setGeometry(Scaled(r.x, ratio), Scaled(r.y, ratio), Scaled(r.w, ratio), Scaled(r.h, ratio));
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

AddressBrowser::AddressBrowser(
    std::string postalFolder, std::string_view prefecture, int ratio, QWidget* parent, std::string_view code)
    : QDialog(parent)
    , browser_(std::move(postalFolder))
{
    setObjectName(QStringLiteral("frmAddress"));
    setModal(true);

    for (int f = 0; f < kKanaFilterCount; ++f) {
        QPushButton* b = kanaButtons_[static_cast<std::size_t>(f)]
            = Button(this, kKanaNames[f], QString::fromUtf8(kKanaCaptions[f]));
        b->setProperty("filter", f);
        connect(b, &QPushButton::clicked, this, [this, f] { KanaClick(f); });
    }
    addressLabel_ = new QLabel(this);
    addressLabel_->setObjectName(QStringLiteral("lbl_Zyusyo"));

    placeTable_ = new QTableView(this);
    placeTable_->setObjectName(QStringLiteral("griMain"));
    model_ = new AddressRowsModel(browser_, this);
    placeTable_->setModel(model_);
    placeTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    placeTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    placeTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    placeTable_->verticalHeader()->hide();
    placeTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    placeTable_->horizontalHeader()->setStretchLastSection(true);
    placeTable_->setWordWrap(false);
    connect(placeTable_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { Choose(index.row()); });

    countCaptionLabel_ = new QLabel(QStringLiteral("件数："), this);
    countCaptionLabel_->setObjectName(QStringLiteral("lbl_Kensu"));
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName(QStringLiteral("lbl_Ken"));

    prefecturesButton_ = Button(this, "cmd_Todo", QStringLiteral("都道府県"));
    citiesButton_ = Button(this, "cmd_Sityo", QStringLiteral("市区町村"));
    okButton_ = Button(this, "cmd_Ok", QString());
    closeButton_ = Button(this, "cmd_Close", QStringLiteral("キャンセル(&C)"));
    connect(prefecturesButton_, &QPushButton::clicked, this, &AddressBrowser::prefecturesClicked);
    connect(citiesButton_, &QPushButton::clicked, this, &AddressBrowser::citiesClicked);
    connect(okButton_, &QPushButton::clicked, this, &AddressBrowser::okClicked);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);

    // Magnification is taken once, when the window is made.
    Place(std::clamp(ratio, 100, 250));
    EnterFocusFilter::InstallOn(this);
    // In the list Return chooses, as a double click does.
    for (EnterFocusFilter* filter : findChildren<EnterFocusFilter*>())
        placeTable_->removeEventFilter(filter);
    for (const QKeySequence& key : { QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) }) {
        auto* choose = new QShortcut(key, placeTable_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(choose, &QShortcut::activated, this, &AddressBrowser::okClicked);
    }

    if (code.empty())
        browser_.Start(prefecture);
    else
        browser_.StartAtCode(prefecture, code);
    ShowLevel();
    placeTable_->setFocus();
}

AddressBrowser::~AddressBrowser() = default;

void AddressBrowser::Place(int ratio)
{
    using mainlist::Scaled;
    QFont f = font();
    f.setPixelSize(Scaled(kFontHeight, ratio));
    setFont(f);
    // The header takes the style's own font unless told otherwise.
    placeTable_->horizontalHeader()->setFont(f);
    for (int i = 0; i < kKanaFilterCount; ++i) {
        Rect r = kKanaFirst;
        r.x += i * kKanaStep;
        SetRect(kanaButtons_[static_cast<std::size_t>(i)], r, ratio);
    }
    SetRect(addressLabel_, kAddressLabel, ratio);
    SetRect(placeTable_, kGrid, ratio);
    SetRect(countCaptionLabel_, kCountLabel, ratio);
    SetRect(countLabel_, kPrefectureLabel, ratio);
    SetRect(prefecturesButton_, kPrefectureButton, ratio);
    SetRect(citiesButton_, kCityButton, ratio);
    SetRect(okButton_, kOk, ratio);
    SetRect(closeButton_, kClose, ratio);
    for (int c = 0; c < 3; ++c)
        placeTable_->setColumnWidth(c, Scaled(kColumnWidths[c], ratio));
    placeTable_->verticalHeader()->setDefaultSectionSize(Scaled(kRowHeight, ratio));
    placeTable_->horizontalHeader()->setFixedHeight(Scaled(kRowHeight + 2, ratio));
    setFixedSize(Scaled(kDesignWidth, ratio), Scaled(kDesignHeight, ratio));
}

void AddressBrowser::ShowLevel()
{
    model_->Reload();
    setWindowTitle(ToQ(browser_.Caption()));
    okButton_->setText(ToQ(browser_.OkCaption()));
    addressLabel_->setText(ToQ(browser_.AddressLabel()));
    countLabel_->setText(QString::number(browser_.ShownCount()));
    prefecturesButton_->setEnabled(browser_.PrefecturesEnabled());
    citiesButton_->setEnabled(browser_.CitiesEnabled());
    placeTable_->setCurrentIndex(model_->index(0, 0));
    placeTable_->scrollToTop();
}

void AddressBrowser::KanaClick(int filter)
{
    browser_.SetFilter(filter);
    ShowLevel();
}

void AddressBrowser::Choose(int row)
{
    switch (browser_.Choose(row)) {
    case PostalBrowser::kConfirmed:
        accept();
        break;
    case PostalBrowser::kEntered:
        ShowLevel();
        break;
    default:
        break; // no row: the browser has beeped
    }
}

void AddressBrowser::okClicked()
{
    const QModelIndex current = placeTable_->currentIndex();
    Choose(current.isValid() ? current.row() : -1);
}

void AddressBrowser::prefecturesClicked()
{
    browser_.BackToPrefectures();
    ShowLevel();
}

void AddressBrowser::citiesClicked()
{
    browser_.BackToCities();
    ShowLevel();
}

std::optional<AddressChoice> AddressBrowser::Choice() const
{
    if (!browser_.Confirmed())
        return std::nullopt;
    return AddressChoice { browser_.ChosenCode(), browser_.ChosenPrefecture(), browser_.ChosenCity(),
        browser_.ChosenTown() };
}

std::optional<AddressChoice> AddressBrowser::Browse(
    const AppSettings& settings, std::string_view prefecture, QWidget* parent, std::string_view code)
{
    if (!CheckPostalDictionary(settings.PostalFile({})))
        return std::nullopt;
    AddressBrowser dialog(settings.PostalFile({}), prefecture, settings.GetScalePercent(), parent, code);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}

} // namespace nrt::gui
