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
        const QRectF target(-owner_.scr_Bottom->value(), -owner_.scr_Right->value(),
            static_cast<int>(card.width() * zoom), static_cast<int>(card.height() * zoom));
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(target, surface);
    }

    void contextMenuEvent(QContextMenuEvent* event) override { owner_.popupSize->exec(event->globalPos()); }

private:
    PrintPreview& owner_;
};

PrintPreview::PrintPreview(CardRenderer& renderer, AppSettings& global, QWidget* parent)
    : QDialog(parent)
    , renderer_(renderer)
    , global_(global)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("プレビュー"));
    setMinimumSize(500, 400);
    setSizeGripEnabled(true);

    menuBar = new QMenuBar(this);
    QMenu* file = menuBar->addMenu(QStringLiteral("ファイル(&F)"));
    mnuFilePrint = file->addAction(QStringLiteral("印刷(&P)..."));
    mnuFilePrint->setObjectName(QStringLiteral("mnuFilePrint"));
    N1 = file->addAction(QStringLiteral("表示しているページの印刷(&V)..."));
    N1->setObjectName(QStringLiteral("N1"));
    file->addSeparator();
    mnuClose = file->addAction(QStringLiteral("閉じる(&C)"));
    mnuPrev = menuBar->addAction(QStringLiteral("前の宛名(&P)"));
    mnuPrev->setObjectName(QStringLiteral("mnuPrev"));
    mnuNext = menuBar->addAction(QStringLiteral("次の宛名(&N)"));
    mnuNext->setObjectName(QStringLiteral("mnuNext"));
    connect(mnuFilePrint, &QAction::triggered, this, &PrintPreview::mnuFilePrintClick);
    connect(N1, &QAction::triggered, this, &PrintPreview::N1Click);
    connect(mnuClose, &QAction::triggered, this, &QDialog::accept);
    connect(mnuPrev, &QAction::triggered, this, &PrintPreview::mnuPrevClick);
    connect(mnuNext, &QAction::triggered, this, &PrintPreview::mnuNextClick);

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
    mnusSize200 = sizeEntry("mnusSize200", 200);
    mnusSize150 = sizeEntry("mnusSize150", 150);
    mnusSize100 = sizeEntry("mnusSize100", 100);
    mnusSize75 = sizeEntry("mnusSize75", 75);
    mnusSize50 = sizeEntry("mnusSize50", 50);
    mnusSize25 = sizeEntry("mnusSize25", 25);
    mnusSize100->setChecked(true);
    gui::NumberMenuItems(popupSize);

    view_ = new PreviewView(*this);
    QGridLayout* layout = ScrolledView(view_, scr_Right, scr_Bottom);

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
    if (global_.HasFormRect(AppSettings::kFormPreview)) {
        const FormRect r = global_.GetFormRect(AppSettings::kFormPreview);
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

void PrintPreview::mnuPrevClick()
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

void PrintPreview::mnuNextClick()
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

void PrintPreview::mnuFilePrintClick()
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
    scr_Right->setValue(0);
    scr_Bottom->setValue(0);
    UpdateScrollBars();
    DrawPage();
}

void PrintPreview::UpdateScrollBars()
{
    // Positions count pixels of the page as shown, so every part of it can be
    // scrolled into view at every zoom.
    FitScrollBar(scr_Bottom, static_cast<int>(zoom_ * card_.width()), view_->width());
    FitScrollBar(scr_Right, static_cast<int>(zoom_ * card_.height()), view_->height());
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
    global_.SaveFormRect(AppSettings::kFormPreview, r.x(), r.y(), r.width(), r.height());
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
