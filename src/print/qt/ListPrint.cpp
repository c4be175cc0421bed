#include "print/qt/ListPrint.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "print/PagePlan.h"
#include "print/RowSource.h"
#include "print/TextItem.h"
#include "print/qt/PrinterBinding.h"
#include "print/render/FontCatalog.h"
#include "print/render/PrintDevice.h"
#include "print/render/VerticalText.h"
#include "qt/QtText.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <vector>

namespace nrt::print {
namespace {

// Columns of the list, 0.01 mm from the printable area's left edge. The rectangles
// of neighbouring columns overlap by up to a millimetre; each cell is cut that much
// and a gap before the next column begins, so that texts never run together.
struct Column {
    std::int32_t left, right;
    std::int32_t headerRight;
    const char* header;
};
constexpr std::int32_t kColumnGap = 150;
constexpr Column kName { 300, 3750 - kColumnGap, 3750 - kColumnGap, "名　前" };
constexpr Column kPostal { 3750, 5650 - kColumnGap, 5650 - kColumnGap, "〒" };
constexpr Column kAddress { 5650, 16500 - kColumnGap, 16500 - kColumnGap, "住　所" };
constexpr Column kPhone { 16500, 20500, 20500, "電話番号" };
constexpr std::int32_t kTextHeight = 562;
constexpr std::int32_t kHeaderTop = 700;
constexpr std::int32_t kRuleY = 1262;
constexpr std::int32_t kRuleRight = 21000;

class ListPage {
public:
    ListPage(QPainter& painter, DeviceScale scale)
        : painter_(painter)
        , scale_(scale)
    {
        // "ＭＳ ゴシック" with a cell of 4.25 mm (a positive LOGFONT height).
        file_ = FontCatalog::Resolve(QStringLiteral("ＭＳ ゴシック")).file;
        const std::int32_t cell = TextItem::Trunc(kListPitch * scale_.y);
        font_ = FontCatalog::Cached(file_, cell / FontCatalog::CellPerEm(file_));
    }

    // Single line, from the rectangle's top-left, cut at its edges.
    void Text(std::int32_t left, std::int32_t right, std::int32_t top, std::int32_t bottom, std::string_view sjis)
    {
        const QRect r(QPoint(X(left), Y(top)), QPoint(X(right) - 1, Y(bottom) - 1));
        painter_.save();
        painter_.setClipRect(r, Qt::IntersectClip);
        HorizontalTextLayout(file_, font_, gui::ToQ(sjis)).draw(painter_, r.topLeft());
        painter_.restore();
    }

    void Headings()
    {
        Text(572, 10010, 100, 662, SJ("＜住所一覧＞"));
        for (const Column& c : { kName, kPostal, kAddress, kPhone })
            Text(c.left, c.headerRight, kHeaderTop, kHeaderTop + kTextHeight, platform::Utf8ToSjis(c.header));
        painter_.save();
        painter_.setPen(QPen(Qt::black, std::max(1.0, 20 * scale_.y)));
        painter_.drawLine(QPointF(X(0), Y(kRuleY)), QPointF(X(kRuleRight), Y(kRuleY)));
        painter_.restore();
    }

    void Row(std::int32_t y, const FieldLookup& record)
    {
        const std::int32_t bottom = y + kTextHeight;
        Text(kName.left, kName.right, y, bottom, record(SJ("名前")));
        Text(kPostal.left, kPostal.right, y, bottom, record(SJ("郵便番号")));
        Text(kAddress.left, kAddress.right, y, bottom,
            std::string(record(SJ("住所１"))) + std::string(record(SJ("住所２"))));
        Text(kPhone.left, kPhone.right, y, bottom, record(SJ("電話番号")));
    }

private:
    int X(std::int32_t v) const { return TextItem::Trunc(v * scale_.x); }
    int Y(std::int32_t v) const { return TextItem::Trunc(v * scale_.y); }

    QPainter& painter_;
    DeviceScale scale_;
    QString file_;
    QRawFont font_;
};

} // namespace

int PrintAddressList(PrinterBinding& printer, RowSource& rows, bool useSaved, QWidget* owner, const PageRunner& runner)
{
    QPrinter* device = printer.OpenPrintDialog(owner, useSaved, Paper { 21000, 29700 });
    if (device == nullptr)
        return 0;
    const DeviceScale scale = ScaleOf(*device);
    const auto printable = TextItem::Trunc(device->pageLayout().paintRect(QPageLayout::Millimeter).height() * 100.0);
    const std::vector<PlannedPage> pages
        = PlanPages(rows.RowCount(), ListRowsPerPage(printable), printer.FromPage(), printer.ToPage());

    int printed = 0;
    if (printer.StartDoc(SJ("一覧印刷")) == JobStep::Ready) {
        std::size_t next = 0;
        bool failed = false;
        const std::function<bool()> step = [&]() -> bool {
            if (next >= pages.size())
                return false;
            if (printer.StartPage() != JobStep::Ready) {
                failed = true;
                return false;
            }
            const PlannedPage& page = pages[next++];
            ListPage out(printer.Painter(), scale);
            out.Headings();
            for (int k = 0; k < page.recordCount; ++k)
                out.Row(kListFirstRowY + k * kListPitch, rows.Row(page.firstRecord + k));
            printer.EndPage();
            ++printed;
            return next < pages.size();
        };
        bool completed = true;
        if (runner)
            completed = runner(static_cast<int>(pages.size()), step);
        else
            while (step()) { }
        if (failed) {
            printed = 0;
        } else if (!completed) {
            printer.AbortDoc();
            return 0; // stopped by the user, who needs no message
        } else {
            printer.EndDoc();
        }
    }
    if (printed == 0)
        platform::Warn(SJ("印刷されるデータがありませんでした。"));
    return printed;
}

} // namespace nrt::print
