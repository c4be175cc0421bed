#include "print/qt/LayoutEditor.h"

#include "app/EnterFocusFilter.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "print/CustomerBarcode.h"
#include "print/PrintForms.h"
#include "print/qt/CardSurface.h"
#include "print/qt/LabelSheetDialog.h"
#include "print/qt/LayoutDetailDialog.h"
#include "print/qt/PrinterBinding.h"
#include "print/render/BackgroundImage.h"
#include "print/render/BarcodeDraw.h"
#include "print/render/FontCatalog.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"
#include "settings/AppSettings.h"
#include "settings/LayoutDefaults.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace nrt::print {
namespace {

const QColor kGrey(150, 150, 150);
const QColor kSurfaceGrey(Qt::gray);

QSize ScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

double ScreenDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

// The pixels from (l, t) to (r, b), both ends included.
void Outline(QPainter& p, int l, int t, int r, int b)
{
    p.drawRect(QRect(l, t, r - l, b - t));
}

// The frame and its eight handles: squares one to four pixels inside the corners,
// short marks one to two pixels inside the middle of each edge.
void DrawFrame(QPainter& p, const FrameRect& f, bool handles)
{
    Outline(p, f.left, f.top, f.right, f.bottom);
    if (!handles)
        return;
    const int l = f.left, t = f.top, r = f.right, b = f.bottom;
    Outline(p, l + 1, t + 1, l + 4, t + 4);
    Outline(p, r - 4, t + 1, r - 1, t + 4);
    Outline(p, l + 1, b - 4, l + 4, b - 1);
    Outline(p, r - 4, b - 4, r - 1, b - 1);
    const int mx = l + (r - l) / 2, my = t + (b - t) / 2;
    Outline(p, mx - 1, t + 1, mx + 1, t + 2);
    Outline(p, mx - 1, b - 2, mx + 1, b - 1);
    Outline(p, l + 1, my - 1, l + 2, my + 1);
    Outline(p, r - 2, my - 1, r - 1, my + 1);
}

Qt::CursorShape CursorOf(DragMode mode)
{
    switch (mode) {
    case kDragTopLeft:
    case kDragBottomRight:
        return Qt::SizeFDiagCursor;
    case kDragTopRight:
    case kDragBottomLeft:
        return Qt::SizeBDiagCursor;
    case kDragTop:
    case kDragBottom:
        return Qt::SizeVerCursor;
    case kDragLeft:
    case kDragRight:
        return Qt::SizeHorCursor;
    case kDragMove:
        break;
    }
    return Qt::SizeAllCursor;
}

// The system's font dialog over a LOGFONT. Heights are screen pixels, as the
// dialog's points come out on the screen, so a font looks on the editor's card the
// size it was chosen at.
bool ChooseSystemFont(QWidget* parent, LogFontA& lf)
{
    bool ok = false;
    const QFont chosen
        = QFontDialog::getFont(&ok, LayoutEditor::FontDialogStart(lf), parent, QStringLiteral("フォント"));
    if (!ok)
        return false;
    const double pixels = chosen.pixelSize() > 0 ? chosen.pixelSize() : chosen.pointSizeF() * ScreenDpi() / 72.0;
    lf.height = -static_cast<std::int32_t>(std::lround(pixels));
    lf.width = 0;
    lf.weight = chosen.weight();
    lf.italic = chosen.italic() ? 1 : 0;
    lf.underline = chosen.underline() ? 1 : 0;
    lf.strikeOut = chosen.strikeOut() ? 1 : 0;
    lf.charSet = 128;
    // A vertical face keeps its "@": it asks for the vertical glyph forms.
    std::string name = gui::FromQ(chosen.family());
    if (!lf.FaceName().empty() && lf.FaceName().front() == '@' && (name.empty() || name.front() != '@'))
        name.insert(0, 1, '@');
    lf.SetFaceName(name);
    return true;
}

// Two controls side by side, as one row of a form.
QHBoxLayout* Pair(QWidget* a, QWidget* b)
{
    auto* row = new QHBoxLayout;
    row->addWidget(a);
    row->addWidget(b);
    return row;
}

} // namespace

// The card as the surface holds it, the rubber band over it while dragging.
class PreSetView : public QWidget {
public:
    explicit PreSetView(LayoutEditor& owner)
        : QWidget(&owner)
        , owner_(owner)
    {
        setObjectName(QStringLiteral("view"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
        setMinimumSize(200, 200);
    }

    // The band's pixels and a margin for its handles.
    static QRect Area(const FrameRect& b)
    {
        return QRect(b.left, b.top, b.right - b.left, b.bottom - b.top).adjusted(-2, -2, 3, 3);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        p.fillRect(event->rect(), kSurfaceGrey);
        // The surface holds device pixels: sharp on a screen of any pixel ratio.
        const QPointF scroll = owner_.Scroll();
        const qreal ratio = owner_.surface_.devicePixelRatio();
        p.drawImage(
            QRectF(QPointF(0, 0), QSizeF(size())), owner_.surface_, QRectF(scroll * ratio, QSizeF(size()) * ratio));
        if (ratio != devicePixelRatioF())
            QMetaObject::invokeMethod(
                &owner_,
                [this] {
                    owner_.RebuildSurface();
                    owner_.Paint();
                },
                Qt::QueuedConnection);
        if (owner_.dragState_ == 2) {
            // The band inverts what it crosses, so it shows on white and on pictures.
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.setPen(QPen(kGrey, 0));
            p.setBrush(Qt::NoBrush);
            DrawFrame(p, owner_.band_, true);
        }
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        owner_.MousePress(e->position().toPoint(), e->button(), e->globalPosition().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        owner_.MouseMove(e->position().toPoint(), (e->buttons() & Qt::LeftButton) != 0);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            owner_.MouseRelease();
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        const int step = (e->modifiers() & Qt::ShiftModifier) ? 100 : 10;
        switch (e->key()) {
        case Qt::Key_Left:
            owner_.Nudge(-step, 0);
            break;
        case Qt::Key_Right:
            owner_.Nudge(step, 0);
            break;
        case Qt::Key_Up:
            owner_.Nudge(0, -step);
            break;
        case Qt::Key_Down:
            owner_.Nudge(0, step);
            break;
        default:
            QWidget::keyPressEvent(e);
        }
    }
    void wheelEvent(QWheelEvent* e) override
    {
        QScrollBar* bar = (e->modifiers() & Qt::ShiftModifier) ? owner_.horizontalScroll_ : owner_.verticalScroll_;
        bar->setValue(bar->value() - e->angleDelta().y() / 2);
    }

private:
    LayoutEditor& owner_;
};

QFont LayoutEditor::FontDialogStart(const LogFontA& lf)
{
    QFont initial;
    const QString face = gui::ToQ(lf.FaceName());
    const QString bare = face.startsWith(QLatin1Char('@')) ? face.mid(1) : face;
    // A face of the system the layouts were made on ("ＭＳ ゴシック") is not installed
    // here: the dialog opens on the face that draws it.
    const QString drawnWith = FontCatalog::Cached(FontCatalog::Resolve(bare).file, 100).familyName();
    initial.setFamily(
        (!bare.isEmpty() && QFontDatabase::families().contains(bare)) || drawnWith.isEmpty() ? bare : drawnWith);
    if (lf.height != 0)
        initial.setPointSizeF(std::abs(lf.height) * 72.0 / ScreenDpi());
    initial.setWeight(static_cast<QFont::Weight>(std::clamp<int>(lf.weight == 0 ? 400 : lf.weight, 1, 1000)));
    initial.setItalic(lf.italic != 0);
    return initial;
}

LayoutEditor::LayoutEditor(AppSettings& settings, PrinterBinding& printer, int formIndex, int kind, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , printer_(printer)
    , formIndex_(formIndex)
    , kind_(kind)
    , fontChooser_(ChooseSystemFont)
{
    form_.DrawClipped();
    setObjectName(QStringLiteral("frmPreSet"));
    setWindowTitle(QStringLiteral("印字設定"));
    setMinimumSize(750, 600);
    setSizeGripEnabled(true);

    // Created in the order the focus moves through them.
    BuildMenus();
    QGridLayout* cardArea = BuildCanvas();
    BuildItemList();
    BuildValueFields();
    BuildItemControls();
    BuildButtons();
    ArrangeWindow(cardArea, ArrangeSidePanel());
    ConnectControls();
    gui::EnterFocusFilter::InstallOn(this);
    RestoreGeometry();
    LoadForm();
}

void LayoutEditor::BuildMenus()
{
    menuBar = new QMenuBar(this);
    QMenu* file = menuBar->addMenu(QStringLiteral("ファイル(&F)"));
    closeAction_ = file->addAction(QStringLiteral("キャンセル(&C)"));
    closeAction_->setObjectName(QStringLiteral("mnuClose"));

    popupMenu = new QMenu(this);
    orientationAction_ = popupMenu->addAction(QStringLiteral("文字の向きを変更する(&O)"));
    orientationAction_->setObjectName(QStringLiteral("mnusOrient"));
    fontAction_ = popupMenu->addAction(QStringLiteral("フォント変更(&F)..."));
    fontAction_->setObjectName(QStringLiteral("mnusFont"));
}

QGridLayout* LayoutEditor::BuildCanvas()
{
    view_ = new PreSetView(*this);
    return ScrolledView(view_, verticalScroll_, horizontalScroll_);
}

void LayoutEditor::BuildItemList()
{
    itemList_ = new QListWidget(this);
    itemList_->setObjectName(QStringLiteral("lst_Koumoku"));
    for (int i = 0; i < kLayoutSlots; ++i) {
        auto* entry = new QListWidgetItem(gui::ToQ(SlotEditorName(i)), itemList_);
        entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        entry->setCheckState(Qt::Unchecked);
    }
}

QLineEdit* LayoutEditor::ValueField(const char* name, ValueKind kind)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(6);
    edit->setAlignment(Qt::AlignRight);
    edit->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->installEventFilter(this);
    valueFields_[edit] = kind;
    connect(edit, &QLineEdit::textEdited, this, [this, edit] {
        edited_[edit] = true;
        MarkDirty();
    });
    return edit;
}

void LayoutEditor::BuildValueFields()
{
    leftEdit_ = ValueField("txt_Left", ValueKind::X);
    topEdit_ = ValueField("txt_Top", ValueKind::Y);
    widthEdit_ = ValueField("txt_Width", ValueKind::Width);
    heightEdit_ = ValueField("txt_Height", ValueKind::Height);
    formWidthEdit_ = ValueField("txt_RepWidth", ValueKind::PaperWidth);
    formHeightEdit_ = ValueField("txt_RepHeight", ValueKind::PaperHeight);
}

void LayoutEditor::BuildItemControls()
{
    fontEdit_ = new QLineEdit(this);
    fontEdit_->setObjectName(QStringLiteral("txt_Font"));
    fontEdit_->setReadOnly(true);
    fontButton_ = new QPushButton(QStringLiteral("選択..."), this);
    fontButton_->setObjectName(QStringLiteral("cmd_Font"));
    orientationCombo_ = new QComboBox(this);
    orientationCombo_->setObjectName(QStringLiteral("cbo_Orient"));
    orientationCombo_->addItems({ QStringLiteral("横向き"), QStringLiteral("縦向き") });
    textLabel_ = new QLabel(QStringLiteral("テキスト"), this);
    textLabel_->setObjectName(QStringLiteral("lbl_Text"));
    textEdit_ = new QLineEdit(this);
    textEdit_->setObjectName(QStringLiteral("txt_Text"));
    textEdit_->installEventFilter(this);
}

void LayoutEditor::BuildButtons()
{
    labelButton_ = new QPushButton(QStringLiteral("ラベル設定..."), this);
    labelButton_->setObjectName(QStringLiteral("cmd_Label"));
    labelEdit_ = new QLineEdit(this);
    labelEdit_->setObjectName(QStringLiteral("txt_Label"));
    labelEdit_->setReadOnly(true);
    detailButton_ = new QPushButton(QStringLiteral("詳細設定..."), this);
    detailButton_->setObjectName(QStringLiteral("cmd_SetDetail"));
    printerSetupButton_ = new QPushButton(QStringLiteral("プリンタ設定..."), this);
    printerSetupButton_->setObjectName(QStringLiteral("cmd_PrnSetup"));
    printerSetupDeleteButton_ = new QPushButton(QStringLiteral("削除"), this);
    printerSetupDeleteButton_->setObjectName(QStringLiteral("cmd_PrnSetupDel"));
    printerSetupDeleteButton_->setToolTip(QStringLiteral("プリンタ設定の削除"));
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("cmd_Ok"));
    closeButton_ = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { fontButton_, labelButton_, detailButton_, printerSetupButton_, printerSetupDeleteButton_,
             okButton_, closeButton_ })
        b->setAutoDefault(false);
}

QVBoxLayout* LayoutEditor::ArrangeSidePanel()
{
    auto* item = new QGroupBox(QStringLiteral("項目"), this);
    auto* itemForm = new QFormLayout(item);
    itemForm->addRow(QStringLiteral("位置(XY)"), Pair(leftEdit_, topEdit_));
    itemForm->addRow(QStringLiteral("サイズ(WH)"), Pair(widthEdit_, heightEdit_));
    itemForm->addRow(QStringLiteral("フォント"), Pair(fontEdit_, fontButton_));
    itemForm->addRow(QStringLiteral("向き"), orientationCombo_);
    itemForm->addRow(textLabel_, textEdit_);
    auto* paper = new QGroupBox(QStringLiteral("用紙サイズ"), this);
    auto* paperForm = new QFormLayout(paper);
    paperForm->addRow(QStringLiteral("幅"), formWidthEdit_);
    paperForm->addRow(QStringLiteral("高さ"), formHeightEdit_);
    paperForm->addRow(labelButton_, labelEdit_);

    auto* side = new QVBoxLayout;
    side->addWidget(itemList_, 1);
    side->addWidget(item);
    side->addWidget(paper);
    side->addWidget(detailButton_);
    side->addLayout(Pair(printerSetupButton_, printerSetupDeleteButton_));
    side->addLayout(Pair(okButton_, closeButton_));
    return side;
}

void LayoutEditor::ArrangeWindow(QGridLayout* cardArea, QVBoxLayout* side)
{
    statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);

    auto* body = new QHBoxLayout;
    body->addLayout(cardArea, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setMenuBar(menuBar);
    layout->addLayout(body, 1);
    noteLabel_ = new QLabel(this);
    noteLabel_->setObjectName(QStringLiteral("lbl_Note"));
    noteLabel_->setWordWrap(true);
    noteLabel_->hide();
    layout->addWidget(noteLabel_);
    layout->addWidget(statusBar);
}

void LayoutEditor::ConnectControls()
{
    connect(closeAction_, &QAction::triggered, this, &LayoutEditor::reject);
    connect(orientationAction_, &QAction::triggered, this, [this] {
        if (ItemSelected())
            orientationChanged(Selected().object.IsVertical() ? 0 : 1);
    });
    connect(fontAction_, &QAction::triggered, this, &LayoutEditor::fontClicked);
    connect(textEdit_, &QLineEdit::textEdited, this, [this] {
        edited_[textEdit_] = true;
        MarkDirty();
    });
    connect(itemList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != selection_)
            ShowItem(row);
    });
    connect(itemList_, &QListWidget::itemChanged, this, [this](QListWidgetItem* entry) {
        const int row = itemList_->row(entry);
        if (row < 0 || row >= kLayoutSlots)
            return;
        form_.items[static_cast<std::size_t>(row)].shown = entry->checkState() == Qt::Checked;
        Paint();
        MarkDirty();
    });
    connect(orientationCombo_, &QComboBox::activated, this, &LayoutEditor::orientationChanged);
    connect(fontButton_, &QPushButton::clicked, this, &LayoutEditor::fontClicked);
    connect(labelButton_, &QPushButton::clicked, this, &LayoutEditor::labelClicked);
    connect(detailButton_, &QPushButton::clicked, this, &LayoutEditor::detailClicked);
    connect(printerSetupButton_, &QPushButton::clicked, this, &LayoutEditor::printerSetupClicked);
    connect(printerSetupDeleteButton_, &QPushButton::clicked, this, &LayoutEditor::printerSetupDeleteClicked);
    connect(okButton_, &QPushButton::clicked, this, &LayoutEditor::okClicked);
    connect(closeButton_, &QPushButton::clicked, this, &LayoutEditor::reject);
}

// The window where it was last closed, at least its minimum size, kept on the screen.
void LayoutEditor::RestoreGeometry()
{
    resize(900, 700);
    if (settings_.HasFormRect(AppSettings::kFormLayoutEditor)) {
        const FormRect r = settings_.GetFormRect(AppSettings::kFormLayoutEditor);
        setGeometry(r.left, r.top, std::max(r.width, 750), std::max(r.height, 600));
    }
    FitOnScreen(this);
}

LayoutEditor::~LayoutEditor() = default;

QWidget* LayoutEditor::Canvas() const
{
    return view_;
}

QSize LayoutEditor::PaperExtent() const
{
    const TextItem& o = form_.items[0].object;
    const LayoutHeader& h = form_.header;
    return QSize(TextItem::Trunc(h.paperWidth * o.ScaleX()), TextItem::Trunc(h.paperHeight * o.ScaleY()));
}

QPoint LayoutEditor::Scroll() const
{
    return QPoint(horizontalScroll_->value(), verticalScroll_->value());
}

LayoutItem& LayoutEditor::Selected()
{
    return form_.items[static_cast<std::size_t>(selection_)];
}

void LayoutEditor::MarkDirty()
{
    dirty_ = true;
}

void LayoutEditor::LoadForm()
{
    dragState_ = 0;
    dirty_ = false;
    surfaceWidth_ = surfaceHeight_ = 0;

    const LineList& forms = settings_.FormList();
    const bool known = formIndex_ >= 0 && formIndex_ < forms.GetCount();
    const std::string name = known ? std::string(forms.GetLine(formIndex_)) : std::string();
    // Loading starts from the kind's defaults, which is all a missing form (or one too
    // old to read) gets.
    if (known)
        static_cast<void>(LoadPrintForm(settings_, name, kind_, form_));
    else
        form_.ApplyDefaults(kind_);
    LayoutHeader& h = form_.header;

    // The printer settings are edited on a copy that only OK puts in place.
    const std::string scratch = settings_.BookFile("_tmp.prd");
    platform::fs::RemoveFile(scratch);
    h.printerSettings = 0;
    if (known) {
        const std::string settings = PrinterSettingsPath(settings_, name);
        if (platform::fs::IsFile(settings) && platform::fs::CopyFile(settings, scratch))
            h.printerSettings = 1;
    }
    printerSetupDeleteButton_->setEnabled(h.printerSettings == 1);

    RebuildSurface();
    ShowPaperSize();
    backgroundImage_ = print::LoadBackground(settings_, form_.header, background_);
    labelEdit_->setText(gui::ToQ(LabelSummary(h)));
    LayoutTable& items = form_.items;
    {
        const QSignalBlocker block(itemList_);
        for (int i = 0; i < kLayoutSlots; ++i)
            itemList_->item(i)->setCheckState(items[static_cast<std::size_t>(i)].shown ? Qt::Checked : Qt::Unchecked);
    }
    for (int i = 0; i < 48; ++i)
        items[static_cast<std::size_t>(i)].object.SetText(SlotEditorSample(i));
    items[kBarcodeSlot].object.SetText(BarcodeSample());
    for (int slot : { kJointNameSlot, kCompanySlot })
        items[static_cast<std::size_t>(slot)].object.SetText(SlotEditorSample(slot));
    ShowBarcodeRow();
    barcodeMoved_ = h.barcodeMoved;
    if (barcodeMoved_)
        dirty_ = true;

    selection_ = -1;
    itemList_->setCurrentRow(0); // shows item 0 and paints
    if (selection_ != 0)
        ShowItem(0);
    UpdateScrollBars();
    dirty_ = barcodeMoved_;
    ShowNote();
}

namespace {

// Whether a shown label barcode covers another shown item: on a cell too small for the
// layout's texts it stands at the cell's foot over them.
bool BarcodeCoversText(const LayoutHeader& header, const LayoutTable& items)
{
    const LayoutItem& barcode = items[kBarcodeSlot];
    if (header.labelSheet == 0 || !barcode.shown)
        return false;
    const TextItem& bars = barcode.object;
    const BarcodeGeometry g = BarcodeGeometry::ForHeight(bars.Height());
    const double left = bars.X(), right = bars.X() + g.Width(), top = bars.Y(), bottom = bars.Y() + g.longBar;
    for (int slot = 0; slot < kLayoutSlots; ++slot) {
        const LayoutItem& item = items[static_cast<std::size_t>(slot)];
        if (slot == kBarcodeSlot || !item.shown)
            continue;
        const TextItem& o = item.object;
        const double l = o.IsVertical() ? o.X() - 2.0 * o.Width() : o.X();
        const double r = o.IsVertical() ? o.X() : o.X() + o.Width();
        if (l < right && left < r && o.Y() < bottom && top < o.Y() + o.Height())
            return true;
    }
    return false;
}

} // namespace

void LayoutEditor::ShowNote()
{
    QStringList lines;
    if (barcodeMoved_)
        lines << QStringLiteral("カスタマバーコードがラベルの外にあったため、ラベルの中の住所の下に移しました。");
    if (BarcodeCoversText(form_.header, form_.items))
        lines << QStringLiteral(
            "ラベルが小さく、カスタマバーコードが他の項目と重なっています。項目の位置を調整して下さい。");
    if (selection_ == kBarcodeSlot)
        lines << QStringLiteral("カスタマバーコードは郵便番号が7桁の宛先に印刷します。大口事業所・私書箱の個別番号には"
                                "郵便番号だけを入れ、下4桁が0000の番号（市区町村全体を表す番号）の宛先には印刷しません"
                                "（日本郵便の規則）。");
    noteLabel_->setText(lines.join(QLatin1Char('\n')));
    noteLabel_->setVisible(!lines.isEmpty());
}

void LayoutEditor::ShowBarcodeRow()
{
    // Offered where bulk mail goes: envelope fronts and labels. A layout that shows
    // the barcode keeps it listed whatever its kind.
    const bool offered = OffersCustomerBarcode(kind_, form_.header) || form_.items[kBarcodeSlot].shown;
    itemList_->item(kBarcodeSlot)->setHidden(!offered);
}

void LayoutEditor::ShowPaperSize()
{
    const LayoutHeader& h = form_.header;
    formWidthEdit_->setText(gui::ToQ(FormatHundredths(h.paperWidth)));
    formHeightEdit_->setText(gui::ToQ(FormatHundredths(h.paperHeight)));
}

void LayoutEditor::ShowItem(int index)
{
    if (index < 0 || index >= kLayoutSlots)
        return;
    selection_ = index;
    ShowValues();
    Paint();
}

void LayoutEditor::ShowValues()
{
    if (!ItemSelected())
        return;
    const TextItem& o = Selected().object;
    leftEdit_->setText(gui::ToQ(FormatHundredths(o.X())));
    topEdit_->setText(gui::ToQ(FormatHundredths(o.Y())));
    widthEdit_->setText(gui::ToQ(FormatHundredths(o.Width())));
    heightEdit_->setText(gui::ToQ(FormatHundredths(o.Height())));
    fontEdit_->setText(gui::ToQ(o.Font().FaceName()));
    orientationCombo_->setCurrentIndex(o.IsVertical() ? 1 : 0);
    const bool freeText = selection_ >= 48 && selection_ < kTextSlots;
    // The barcode has no font and no direction of its own.
    fontButton_->setEnabled(selection_ != kBarcodeSlot);
    orientationCombo_->setEnabled(selection_ != kBarcodeSlot);
    textLabel_->setVisible(freeText);
    textEdit_->setVisible(freeText);
    textEdit_->setText(freeText ? gui::ToQ(o.Text()) : QString());
    ShowNote();
    statusBar->showMessage(QStringLiteral("%1　X %2 mm　Y %3 mm　（矢印キーで0.1mm、Shift+矢印キーで1mm移動）")
                               .arg(itemList_->item(selection_)->text(), leftEdit_->text(), topEdit_->text()));
}

void LayoutEditor::RebuildSurface()
{
    const QSize screen = ScreenSize();
    const QSize paper = PaperExtent();
    const int width = std::max({ surfaceWidth_, paper.width(), screen.width() });
    const int height = std::max({ surfaceHeight_, paper.height(), screen.height() });
    const qreal ratio = view_->devicePixelRatioF();
    if (width <= surfaceWidth_ && height <= surfaceHeight_ && !surface_.isNull()
        && surface_.devicePixelRatio() == ratio)
        return;
    QImage surface(QSize(width + 100, height + 100) * ratio, QImage::Format_RGB32);
    if (surface.isNull()) {
        platform::Warn(SJ("メモリが足りません。"));
        surface = QImage(QSize(screen.width() + 100, screen.height() + 100) * ratio, QImage::Format_RGB32);
        surfaceWidth_ = screen.width();
        surfaceHeight_ = screen.height();
    } else {
        surfaceWidth_ = width;
        surfaceHeight_ = height;
    }
    surface.setDevicePixelRatio(ratio);
    surface.fill(kSurfaceGrey);
    surface_ = std::move(surface);
}

void LayoutEditor::UpdateScrollBars()
{
    const QSize paper = PaperExtent();
    FitScrollBar(horizontalScroll_, paper.width(), view_->width());
    FitScrollBar(verticalScroll_, paper.height(), view_->height());
}

void LayoutEditor::Paint()
{
    if (surface_.isNull())
        return;
    gui::WaitCursor wait;
    {
        QPainter p(&surface_);
        const QSize paper = PaperExtent();
        p.fillRect(QRect(QPoint(0, 0), paper), Qt::white);
        if (!form_.header.backgroundImage.empty() && !backgroundImage_.isNull())
            p.drawImage(QPoint(0, 0), backgroundImage_);
        const LayoutTable& items = form_.items;
        auto outline = [&p](const TextItem& o, const QColor& colour, bool handles) {
            p.setPen(QPen(colour, 0));
            p.setBrush(Qt::NoBrush);
            DrawFrame(p, o.FrameRect(), handles);
        };
        auto draw = [&p](int slot, const TextItem& o) {
            if (slot == kBarcodeSlot)
                DrawCustomerBarcode(p, o, 0, 0, false);
            else
                o.Draw(p, 0, 0, false);
        };
        for (int slot = 0; slot < kLayoutSlots; ++slot) {
            const LayoutItem& item = items[static_cast<std::size_t>(slot)];
            if (!item.shown || !item.object.HasText())
                continue;
            draw(slot, item.object);
            outline(item.object, kGrey, false);
        }
        if (ItemSelected() && Selected().shown && Selected().object.HasText()) {
            draw(selection_, Selected().object);
            outline(Selected().object, QColor(255, 0, 0), true);
        }
        const QSize whole = surface_.deviceIndependentSize().toSize();
        p.fillRect(QRect(paper.width(), 0, whole.width() - paper.width(), whole.height()), kSurfaceGrey);
        p.fillRect(QRect(0, paper.height(), paper.width(), whole.height() - paper.height()), kSurfaceGrey);
    }
    view_->update();
}

bool LayoutEditor::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && (field == textEdit_ || valueFields_.count(field) != 0)) {
        if (event->type() == QEvent::FocusIn) {
            edited_[field] = false;
        } else if (event->type() == QEvent::FocusOut) {
            if (field == textEdit_)
                textLeft();
            else
                ValueExit(field);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LayoutEditor::ValueExit(QLineEdit* field)
{
    const auto kind = valueFields_.find(field);
    if (kind == valueFields_.end() || !ItemSelected() || !edited_[field])
        return;
    edited_[field] = false;
    const ParsedValue parsed = ParseHundredths(gui::FromQ(field->text()));
    if (parsed.status == ValueParse::BadChar) {
        platform::Beep();
        return;
    }
    if (parsed.status == ValueParse::TooLarge) {
        platform::Beep();
        platform::Warn(SJ("サイズがオーバーしました。"));
        return;
    }
    LayoutHeader& h = form_.header;
    std::int32_t value = parsed.value;
    if (kind->second == ValueKind::X)
        value = std::min(value, h.paperWidth - 100);
    else if (kind->second == ValueKind::Y)
        value = std::min(value, h.paperHeight - 100);
    field->setText(gui::ToQ(FormatHundredths(value)));

    TextItem& o = Selected().object;
    auto refuse = [](const std::string& text) {
        platform::Beep();
        platform::Warn(text);
    };
    switch (kind->second) {
    case ValueKind::X:
        o.SetPosition(value, o.Y());
        break;
    case ValueKind::Y:
        o.SetPosition(o.X(), value);
        break;
    case ValueKind::Width:
    case ValueKind::Height:
        if (value <= 9) {
            refuse(SJ("サイズが小さすぎます。"));
            return;
        }
        if (kind->second == ValueKind::Width)
            o.SetWidth(value);
        else
            o.SetHeight(value);
        if (selection_ == kBarcodeSlot)
            KeepBarcodeShape(o, kind->second == ValueKind::Width);
        break;
    case ValueKind::PaperWidth:
    case ValueKind::PaperHeight:
        if (value < 100) {
            refuse(SJ("サイズが小さいです。"));
            return;
        }
        if (value > 60000) {
            refuse(SJ("サイズが大きいです。"));
            return;
        }
        (kind->second == ValueKind::PaperWidth ? h.paperWidth : h.paperHeight) = value;
        RebuildSurface();
        UpdateScrollBars();
        break;
    }
    ShowValues();
    Paint();
}

void LayoutEditor::textLeft()
{
    if (!ItemSelected() || selection_ < 48 || selection_ >= kTextSlots || !edited_[textEdit_])
        return;
    edited_[textEdit_] = false;
    Selected().object.SetText(gui::FromQ(textEdit_->text()));
    Paint();
}

void LayoutEditor::orientationChanged(int entry)
{
    if (!ItemSelected() || selection_ == kBarcodeSlot)
        return;
    TextItem& o = Selected().object;
    if (o.IsVertical() != (entry == 1))
        o.SetVertical(entry == 1);
    o.FitThickness();
    ShowValues();
    Paint();
    MarkDirty();
}

void LayoutEditor::fontClicked()
{
    if (!ItemSelected() || selection_ == kBarcodeSlot)
        return;
    TextItem& o = Selected().object;
    LogFontA font = o.Font();
    if (!fontChooser_ || !fontChooser_(this, font))
        return;
    o.SetFont(font);
    o.FitThickness();
    ShowValues();
    Paint();
    MarkDirty();
}

void LayoutEditor::labelClicked()
{
    LabelSheetDialog dialog(form_.header, this, settings_.DataFile("NrtLabel.txt"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    labelEdit_->setText(gui::ToQ(LabelSummary(form_.header)));
    barcodeMoved_ = KeepLabelBarcodeInCell(form_.header, form_.items) || barcodeMoved_;
    ShowNote();
    ShowBarcodeRow();
    ShowPaperSize();
    RebuildSurface();
    UpdateScrollBars();
    Paint();
    MarkDirty();
}

void LayoutEditor::detailClicked()
{
    LayoutHeader& h = form_.header;
    LayoutDetailDialog dialog({ h.dashCode, h.kanjiNumerals != 0, h.backgroundImage, h.printPrefecture != 0 }, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const LayoutDetailDialog::Values& chosen = dialog.Result();
    h.dashCode = chosen.dashCode;
    h.kanjiNumerals = chosen.kanjiNumerals ? 1 : 0;
    h.printPrefecture = chosen.printPrefecture ? 1 : 0;
    h.backgroundImage = chosen.backgroundImage;
    MarkDirty();
    backgroundImage_ = print::LoadBackground(settings_, form_.header, background_);
    Paint();
}

void LayoutEditor::printerSetupClicked()
{
    LayoutHeader& h = form_.header;
    if (printer_.PrinterSetupAndSave(this, settings_.BookFile("_tmp.prd"), h.printerSettings == 1)
        != PrinterBinding::Setup::Saved)
        return;
    h.printerSettings = 1;
    MarkDirty();
    printerSetupDeleteButton_->setEnabled(true);
}

void LayoutEditor::printerSetupDeleteClicked()
{
    LayoutHeader& h = form_.header;
    if (h.printerSettings != 1) {
        platform::Warn(SJ("プリンタ設定されていません。"));
        return;
    }
    if (!platform::Ask(SJ("プリンタ設定を削除します。よろしいですか？"), true))
        return;
    const LineList& forms = settings_.FormList();
    if (formIndex_ >= 0 && formIndex_ < forms.GetCount())
        platform::fs::RemoveFile(PrinterSettingsPath(settings_, forms.GetLine(formIndex_)));
    h.printerSettings = 0;
    printerSetupDeleteButton_->setEnabled(false);
}

void LayoutEditor::okClicked()
{
    // A value typed but not yet left counts, as it would once the focus moved to OK.
    if (auto* field = qobject_cast<QLineEdit*>(focusWidget())) {
        if (field == textEdit_)
            textLeft();
        else
            ValueExit(field);
    }
    LayoutTable& items = form_.items;
    for (int i = 0; i < kLayoutSlots; ++i)
        items[static_cast<std::size_t>(i)].shown = itemList_->item(i)->checkState() == Qt::Checked;
    // Closing as if saved would lose every change made here.
    if (const platform::FileWrite written = WritePrintForm(settings_, formIndex_, form_); !written.Ok()) {
        platform::Warn(SJ("印字設定を保存できませんでした。") + written.Reason());
        return;
    }
    const std::string scratch = settings_.BookFile("_tmp.prd");
    if (form_.header.printerSettings == 1 && platform::fs::IsFile(scratch))
        platform::fs::Rename(scratch, PrinterSettingsPath(settings_, settings_.FormList().GetLine(formIndex_)));
    dirty_ = false;
    accept();
}

void LayoutEditor::MousePress(QPoint at, Qt::MouseButton button, QPoint globalAt)
{
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;
    view_->setFocus();
    const QPoint canvas = at + Scroll();
    const int hit = HitSlot(form_.items, selection_, canvas.x(), canvas.y());
    hit_ = hit >= 0;
    if (hit_) {
        const FrameRect frame = form_.items[static_cast<std::size_t>(hit)].object.FrameRect();
        if (hit == selection_) {
            dragMode_ = DragModeAt(frame, canvas.x(), canvas.y());
        } else {
            itemList_->setCurrentRow(hit);
            itemList_->scrollToItem(itemList_->item(hit));
            dragMode_ = kDragMove;
        }
        grab_ = canvas - QPoint(frame.left, frame.top);
        const QPoint s = Scroll();
        band_ = { frame.left - s.x(), frame.top - s.y(), frame.right - s.x(), frame.bottom - s.y() };
        dragState_ = button == Qt::LeftButton ? 1 : 0;
    }
    if (button == Qt::RightButton) {
        orientationAction_->setEnabled(hit_);
        fontAction_->setEnabled(hit_);
        popupMenu->popup(globalAt);
    }
}

void LayoutEditor::MouseMove(QPoint at, bool pressed)
{
    if (pressed && dragState_ != 0 && ItemSelected()) {
        const QRect before = PreSetView::Area(band_);
        band_ = DragBand(band_, dragMode_, at.x(), at.y(), grab_.x(), grab_.y());
        dragState_ = 2;
        MarkDirty();
        // The fields show what a release here would store.
        const LayoutHeader& h = form_.header;
        const QPoint s = Scroll();
        const DragResult r
            = ReleaseDrag(Selected().object, band_, dragMode_, s.x(), s.y(), h.paperWidth, h.paperHeight);
        leftEdit_->setText(gui::ToQ(FormatHundredths(r.x)));
        topEdit_->setText(gui::ToQ(FormatHundredths(r.y)));
        if (r.resized) {
            widthEdit_->setText(gui::ToQ(FormatHundredths(r.width)));
            heightEdit_->setText(gui::ToQ(FormatHundredths(r.height)));
        }
        view_->update(before.united(PreSetView::Area(band_)));
        return;
    }
    const QPoint canvas = at + Scroll();
    if (ItemSelected() && Selected().shown && Selected().object.HasText()
        && FrameContains(Selected().object.FrameRect(), canvas.x(), canvas.y()))
        view_->setCursor(CursorOf(DragModeAt(Selected().object.FrameRect(), canvas.x(), canvas.y())));
    else
        view_->unsetCursor();
}

void LayoutEditor::MouseRelease()
{
    if (dragState_ == 2 && ItemSelected()) {
        TextItem& o = Selected().object;
        const LayoutHeader& h = form_.header;
        const QPoint s = Scroll();
        const DragResult r = ReleaseDrag(o, band_, dragMode_, s.x(), s.y(), h.paperWidth, h.paperHeight);
        o.SetPosition(r.x, r.y);
        if (r.resized) {
            o.SetWidth(r.width);
            o.SetHeight(r.height);
            if (selection_ == kBarcodeSlot)
                KeepBarcodeShape(o, dragMode_ == kDragLeft || dragMode_ == kDragRight);
        }
        dragState_ = 0;
        ShowValues();
        Paint();
    }
    dragState_ = 0;
    dragMode_ = kDragMove;
}

void LayoutEditor::Nudge(int dx, int dy)
{
    if (!ItemSelected())
        return;
    const LayoutHeader& h = form_.header;
    NudgeSlot(Selected().object, dx, dy, h.paperWidth, h.paperHeight);
    ShowValues();
    Paint();
    MarkDirty();
}

void LayoutEditor::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    UpdateScrollBars();
}

void LayoutEditor::reject()
{
    if (dirty_ && !platform::Ask(SJ("更新があります。破棄しますか？"), false))
        return;
    QDialog::reject();
}

void LayoutEditor::done(int result)
{
    if (!placementSaved_) {
        placementSaved_ = true;
        const QRect r = geometry();
        settings_.SaveFormRect(AppSettings::kFormLayoutEditor, r.x(), r.y(), r.width(), r.height());
    }
    surface_ = QImage();
    background_.Clear();
    backgroundImage_ = QImage();
    QDialog::done(result);
}

} // namespace nrt::print
