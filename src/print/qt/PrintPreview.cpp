#include "print/qt/PrintPreview.h"

#include "app/MenuKeys.h"

#include "print/PagePlan.h"
#include "print/qt/CardSurface.h"
#include "print/render/CardRenderer.h"
#include "settings/AppSettings.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>

namespace nrt::print {

// The part of the window the page is shown in.
class PreviewView : public QWidget {
public:
    explicit PreviewView(PrintPreview& owner)
        : QWidget(&owner)
        , owner_(owner)
    {
        setObjectName(QStringLiteral("view"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x70, 0x70, 0x70));
        if (owner_.surface_.devicePixelRatio() != owner_.SurfaceRatio()) {
            // Moved to a screen of another pixel ratio: drawn anew for it.
            QMetaObject::invokeMethod(
                &owner_, [this] { owner_.DrawPage(); }, Qt::QueuedConnection);
        }
        const QImage& surface = owner_.surface_;
        const double zoom = owner_.zoom_;
        const QSize card = owner_.CardSize();
        const QRectF target(-owner_.horizontalScroll_->value(), -owner_.verticalScroll_->value(),
            static_cast<int>(card.width() * zoom), static_cast<int>(card.height() * zoom));
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(target, surface);
    }

    void contextMenuEvent(QContextMenuEvent* event) override { owner_.popupSize->exec(event->globalPos()); }

private:
    PrintPreview& owner_;
};

PrintPreview::PrintPreview(CardRenderer& renderer, AppSettings& settings, QWidget* parent)
    : QDialog(parent)
    , renderer_(renderer)
    , settings_(settings)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("プレビュー"));
    setMinimumSize(500, 400);
    setSizeGripEnabled(true);

    menuBar = new QMenuBar(this);
    QMenu* file = menuBar->addMenu(QStringLiteral("ファイル(&F)"));
    printAction_ = file->addAction(QStringLiteral("印刷(&P)..."));
    printAction_->setObjectName(QStringLiteral("mnuFilePrint"));
    N1 = file->addAction(QStringLiteral("表示しているページの印刷(&V)..."));
    N1->setObjectName(QStringLiteral("N1"));
    file->addSeparator();
    closeAction_ = file->addAction(QStringLiteral("閉じる(&C)"));
    previousAction_ = menuBar->addAction(QStringLiteral("前の宛名(&P)"));
    previousAction_->setObjectName(QStringLiteral("mnuPrev"));
    nextAction_ = menuBar->addAction(QStringLiteral("次の宛名(&N)"));
    nextAction_->setObjectName(QStringLiteral("mnuNext"));
    connect(printAction_, &QAction::triggered, this, &PrintPreview::printClicked);
    connect(N1, &QAction::triggered, this, &PrintPreview::N1Click);
    connect(closeAction_, &QAction::triggered, this, &QDialog::accept);
    connect(previousAction_, &QAction::triggered, this, &PrintPreview::previousClicked);
    connect(nextAction_, &QAction::triggered, this, &PrintPreview::nextClicked);

    popupSize = new QMenu(this);
    popupSize->setObjectName(QStringLiteral("popupSize"));
    auto* sizes = new QActionGroup(this);
    sizes->setExclusive(true);
    auto sizeEntry = [&](const char* name, int percent) {
        QAction* a = popupSize->addAction(QStringLiteral("%1%").arg(percent));
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        a->setData(percent);
        sizes->addAction(a);
        connect(a, &QAction::triggered, this, [this, percent] { SetZoom(percent); });
        return a;
    };
    zoom200Action_ = sizeEntry("mnusSize200", 200);
    zoom150Action_ = sizeEntry("mnusSize150", 150);
    zoom100Action_ = sizeEntry("mnusSize100", 100);
    zoom75Action_ = sizeEntry("mnusSize75", 75);
    zoom50Action_ = sizeEntry("mnusSize50", 50);
    zoom25Action_ = sizeEntry("mnusSize25", 25);
    zoom100Action_->setChecked(true);
    gui::NumberMenuItems(popupSize);

    view_ = new PreviewView(*this);
    QGridLayout* layout = ScrolledView(view_, verticalScroll_, horizontalScroll_);

    statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    panelCount = new QLabel(this);
    panelPage = new QLabel(this);
    panelNote = new QLabel(this);
    panelCount->setObjectName(QStringLiteral("panelCount"));
    panelPage->setObjectName(QStringLiteral("panelPage"));
    statusBar->addWidget(panelCount, 1);
    statusBar->addWidget(panelPage, 1);
    statusBar->addWidget(panelNote, 2);

    layout->setMenuBar(menuBar);
    layout->addWidget(statusBar, 2, 0, 1, 2);
    setLayout(layout);

    // Opening: the surface in grey, the placement, the count and the first page.
    const QSize size = renderer_.SurfaceSize();
    card_ = size.isEmpty() ? QSize(1, 1) : size;
    resize(std::max(560, card_.width() + 40), std::max(480, card_.height() + 90));
    if (settings_.HasFormRect(AppSettings::kFormPreview)) {
        const FormRect r = settings_.GetFormRect(AppSettings::kFormPreview);
        setGeometry(r.left, r.top, std::max(r.width, 500), std::max(r.height, 400));
    }
    FitOnScreen(this);
    panelCount->setText(QString::asprintf("表示数：%d", renderer_.RowCount()));
    DrawPage();
    UpdateScrollBars();
}

PrintPreview::~PrintPreview() = default;

int PrintPreview::PageCount() const
{
    return PreviewPageCount(renderer_.RowCount(), renderer_.RecordsPerPage());
}

int PrintPreview::CurrentPage() const
{
    return PreviewPageOf(renderer_.CurrentRow(), renderer_.RecordsPerPage());
}

qreal PrintPreview::SurfaceRatio() const
{
    // Enlarged views get the pixels they show, not a blown-up copy of fewer.
    return view_->devicePixelRatioF() * std::max(1.0, zoom_);
}

void PrintPreview::DrawPage()
{
    if (const qreal ratio = SurfaceRatio(); surface_.isNull() || surface_.devicePixelRatio() != ratio) {
        surface_ = QImage((QSizeF(card_) * ratio).toSize(), QImage::Format_RGB32);
        surface_.setDevicePixelRatio(ratio);
        surface_.fill(Qt::gray);
    }
    {
        QPainter p(&surface_);
        if (renderer_.IsLabelLayout())
            renderer_.DrawSheet(p);
        else
            renderer_.DrawRecord(true, p, 0, 0);
    }
    view_->update();
    panelPage->setText(QString::asprintf("ページ：%3d / %3d", CurrentPage(), PageCount()));
}

void PrintPreview::previousClicked()
{
    if (!renderer_.IsLabelLayout()) {
        if (renderer_.PreviousRecord())
            DrawPage();
        return;
    }
    if (CurrentPage() <= 1)
        return;
    const int perPage = renderer_.RecordsPerPage();
    const int start = (CurrentPage() - 1) * perPage;
    renderer_.SetCurrentRow(std::max(start - perPage, 0));
    DrawPage();
}

void PrintPreview::nextClicked()
{
    if (!renderer_.IsLabelLayout()) {
        if (renderer_.NextRecord())
            DrawPage();
        return;
    }
    const int perPage = renderer_.RecordsPerPage();
    const long long start = static_cast<long long>(CurrentPage() - 1) * perPage;
    if (start + perPage >= renderer_.RowCount())
        return;
    renderer_.SetCurrentRow(static_cast<int>(start + perPage));
    DrawPage();
}

void PrintPreview::printClicked()
{
    PrintPagesOf(-1);
}

void PrintPreview::N1Click()
{
    PrintPagesOf(CurrentPage());
}

void PrintPreview::PrintPagesOf(int page)
{
    // A cancelled dialog leaves the last job's records in the renderer.
    if (renderer_.PrintFromPreview(this, page) != 0 && afterPrint_)
        afterPrint_();
}

void PrintPreview::SetZoom(int percent)
{
    zoom_ = percent * 0.01;
    for (QAction* a : popupSize->actions())
        a->setChecked(a->data().toInt() == percent);
    verticalScroll_->setValue(0);
    horizontalScroll_->setValue(0);
    UpdateScrollBars();
    DrawPage();
}

void PrintPreview::UpdateScrollBars()
{
    // Positions count pixels of the page as shown, so every part of it can be
    // scrolled into view at every zoom.
    FitScrollBar(horizontalScroll_, static_cast<int>(zoom_ * card_.width()), view_->width());
    FitScrollBar(verticalScroll_, static_cast<int>(zoom_ * card_.height()), view_->height());
}

void PrintPreview::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    UpdateScrollBars();
}

void PrintPreview::RememberPlacement()
{
    if (placementSaved_)
        return;
    placementSaved_ = true;
    const QRect r = geometry();
    settings_.SaveFormRect(AppSettings::kFormPreview, r.x(), r.y(), r.width(), r.height());
}

void PrintPreview::closeEvent(QCloseEvent* event)
{
    RememberPlacement();
    QDialog::closeEvent(event);
}

void PrintPreview::done(int result)
{
    RememberPlacement();
    QDialog::done(result);
}

} // namespace nrt::print
