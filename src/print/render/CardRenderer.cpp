#include "print/render/CardRenderer.h"

#include "db/AddressTable.h"
#include "db/CardHistory.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalLookup.h"
#include "print/NameBlock.h"
#include "print/PrintForms.h"
#include "print/render/BackgroundImage.h"
#include "print/render/BarcodeDraw.h"
#include "print/render/NameBlockDraw.h"
#include "print/render/NameSlotsDraw.h"
#include "print/render/PageOutput.h"
#include "print/render/PrintDevice.h"
#include "qt/WaitCursor.h"
#include "settings/AppSettings.h"
#include "settings/LayoutDefaults.h"

#include <QPainter>

#include <array>
#include <vector>

namespace nrt::print {
namespace {

// The paper of a layout: the card or envelope, or the whole label sheet.
Paper PaperOf(const LayoutHeader& h)
{
    return h.labelSheet != 0 ? Paper { h.sheetWidth, h.sheetHeight } : Paper { h.paperWidth, h.paperHeight };
}

// The address lines of the addressee and of the sender: the first line (with or
// without the prefecture) and the second.
struct AddressLines {
    std::array<int, 2> first;
    int second;
};
constexpr std::array<AddressLines, 2> kAddressLines { { { { 12, 13 }, 14 }, { { 38, 39 }, 40 } } };
constexpr int kAddressColumns = 2;
// The addressee's name with the honorific: joint names and company lines go with it
// (or with the name alone where a layout sets the honorific in a slot of its own)
// unless the layout shows their own slots.
constexpr int kNameSlot = 0;
constexpr int kNameWithHonorificSlot = 1;
constexpr int kHonorificSlot = 2;
// A name block keeps this far (0.01 mm) from the bottom edge of its card or label,
// which cutting and feeding tolerances may take.
constexpr std::int32_t kEdgeClearance = 200;
// How far (in em) a second line starts below the first, as a hand writes it.
constexpr int kSecondLineIndent = 2;

// A vertical address line too long for its column goes on in the next one (starting
// lower, like the second line), and the second line moves one column further along
// for it. `shift` gets the second line's offset; `columns` holds the columns of the
// slots drawn before.
TextItem::ColumnFlow AddressFlow(const LayoutTable& items, const SlotSet& draw,
    const std::array<int, kLayoutSlots>& columns, int slot, std::int32_t& shift)
{
    TextItem::ColumnFlow flow;
    const TextItem& object = items[static_cast<std::size_t>(slot)].object;
    if (!object.IsVertical())
        return flow;
    for (const AddressLines& lines : kAddressLines) {
        if (slot == lines.first[0] || slot == lines.first[1]) {
            flow.maxColumns = kAddressColumns;
            flow.nextIndent = kSecondLineIndent * object.EmHeight();
        }
        if (slot != lines.second)
            continue;
        flow.maxColumns = kAddressColumns;
        for (int first : { lines.first[1], lines.first[0] }) {
            const TextItem& line = items[static_cast<std::size_t>(first)].object;
            if (!draw.test(static_cast<std::size_t>(first)) || !line.IsVertical())
                continue;
            // Unless the layout already sets it lower, the second line starts lower.
            if (object.Y() < line.Y() + object.EmHeight())
                flow.topIndent = line.Y() + kSecondLineIndent * object.EmHeight() - object.Y();
            shift = -(std::max(columns[static_cast<std::size_t>(first)], 1) - 1) * 2 * line.Width();
            break;
        }
        flow.nextIndent = std::max(flow.topIndent, kSecondLineIndent * object.EmHeight());
    }
    return flow;
}

// A condition's text value: quoted, a quote inside doubled.
std::string QuotedValue(std::string_view value)
{
    std::string out = "'";
    for (std::size_t i = 0; i < value.size(); i += platform::CharLength(value, i)) {
        const std::size_t len = platform::CharLength(value, i);
        out.append(value.substr(i, len));
        if (len == 1 && value[i] == '\'')
            out.push_back('\'');
    }
    return out + "'";
}

} // namespace

// Every slot at the printer's scale for the length of a job, item 0's scale back
// on all of them afterwards.
struct CardRenderer::ScaleGuard {
    LayoutTable& items;
    double x, y;
    ScaleGuard(LayoutTable& table, DeviceScale printer)
        : items(table)
        , x(table[0].object.ScaleX())
        , y(table[0].object.ScaleY())
    {
        for (LayoutItem& item : items) {
            item.object.SetScaleX(printer.x);
            item.object.SetScaleY(printer.y);
        }
    }
    ~ScaleGuard()
    {
        for (LayoutItem& item : items) {
            item.object.SetScaleX(x);
            item.object.SetScaleY(y);
        }
    }
    ScaleGuard(const ScaleGuard&) = delete;
    ScaleGuard& operator=(const ScaleGuard&) = delete;
};

CardRenderer::CardRenderer(AppSettings& settings, AddressTable& table, PageOutput& output)
    : settings_(settings)
    , table_(table)
    , output_(output)
    , townLookup_([this](std::string_view code) -> std::optional<std::string> {
        const std::string folder = settings_.PostalFile({});
        // Without a dictionary no code can be told for a business's own.
        if (!platform::fs::IsFile(folder + "/YubinS.idx"))
            return std::nullopt;
        return TownOfPostalCode(folder, code);
    })
{
    form_.DrawClipped();
}

CardRenderer::~CardRenderer() = default;

LayoutLoad CardRenderer::LoadLayout(std::string_view formName, int kind)
{
    const LayoutLoad result = LoadPrintForm(settings_, formName, kind, form_);
    if (result == LayoutLoad::Read) {
        const std::string settings = PrinterSettingsPath(settings_, formName);
        if (platform::fs::IsFile(settings) && output_.ReadSettings(settings) == PrdRead::Read)
            form_.header.printerSettings = 1;
    }
    // A picture of the form loaded before must not show behind this one.
    background_.Clear();
    backgroundImage_
        = result != LayoutLoad::TooOld ? print::LoadBackground(settings_, form_.header, background_) : QImage();
    return result;
}

int CardRenderer::LoadSender()
{
    sender_.Clear();
    records_.Attach(&table_);
    const SelectResult result
        = records_.Select(senderName_.empty() ? SJ("宛名区分='1' and 印字区分='1'")
                                              : SJ("宛名区分='1' and 名前=") + QuotedValue(senderName_));
    if (result != SelectResult::kSelected)
        return static_cast<int>(result);
    RecordSetRows senders(records_);
    sender_.Fill(senders.Row(0));
    return 0;
}

bool CardRenderer::Prepare(std::string_view formName, int kind, std::string_view condition, std::string_view sort)
{
    records_.Attach(&table_);
    rows_.reset();
    row_ = -1;
    prepared_.clear();
    leftOut_ = 0;
    if (LoadSender() != 0 && !senderName_.empty()) {
        platform::Warn(SJ("差出人「") + senderName_ + SJ("」が見つかりません。"));
        return false;
    }
    // The keys before a field the table lacks stay.
    static_cast<void>(records_.SetSort(sort, 1));
    if (records_.Select(condition) == SelectResult::kSelected) {
        prepared_.assign(records_.Rows().begin(), records_.Rows().end());
        if (kind == kFormNewYearCard) {
            const int year = cardhistory::CardYear(platform::GetClock().Now());
            leftOut_ = cardhistory::LeaveOutMourning(table_, prepared_, year);
            if (leftOut_ > 0)
                platform::Inform(SJ("喪中の宛先") + std::to_string(leftOut_) + SJ("件は") + std::to_string(year)
                        + SJ("年の年賀状を印刷しません。"),
                    SJ("注意"));
        }
    }
    if (prepared_.empty()) {
        platform::Warn(SJ("印刷データがありません。"));
        return false;
    }
    // A form without a layout file, or with one too old to read, prints its kind's
    // defaults: nothing to stop the job for.
    static_cast<void>(LoadLayout(formName, kind));
    if (leftOut_ > 0)
        SetRows(std::make_unique<TableRows>(table_, prepared_));
    else
        SetRows(std::make_unique<RecordSetRows>(records_));
    return true;
}

void CardRenderer::LoadSender(RowSource& senders)
{
    sender_.Clear();
    if (senders.RowCount() > 0)
        sender_.Fill(senders.Row(0));
}

void CardRenderer::SetRows(std::unique_ptr<RowSource> rows)
{
    rows_ = std::move(rows);
    row_ = RowCount() > 0 ? 0 : -1;
}

int CardRenderer::RowCount() const
{
    return rows_ ? rows_->RowCount() : 0;
}

bool CardRenderer::SetCurrentRow(int row)
{
    if (row < 0 || row >= RowCount())
        return false;
    row_ = row;
    return true;
}

bool CardRenderer::PreviousRecord()
{
    if (row_ <= 0) {
        platform::Beep();
        return false;
    }
    --row_;
    return true;
}

bool CardRenderer::NextRecord()
{
    if (row_ + 1 >= RowCount()) {
        platform::Beep();
        return false;
    }
    ++row_;
    return true;
}

bool CardRenderer::IsLabelLayout() const
{
    return form_.header.labelSheet != 0;
}

int CardRenderer::RecordsPerPage() const
{
    return nrt::RecordsPerPage(form_.header);
}

QSize CardRenderer::SurfaceSize() const
{
    const LayoutHeader& h = form_.header;
    const TextItem& first = form_.items[0].object;
    const std::int32_t w = IsLabelLayout() ? h.sheetWidth : h.paperWidth;
    const std::int32_t ht = IsLabelLayout() ? h.sheetHeight : h.paperHeight;
    return QSize(TextItem::Trunc(w * first.ScaleX()), TextItem::Trunc(ht * first.ScaleY()));
}

void CardRenderer::DrawCell(QPainter& painter, int row, std::int32_t ox, std::int32_t oy, bool printableArea)
{
    if (!rows_ || row < 0 || row >= rows_->RowCount())
        return;
    LayoutTable& items = form_.items;
    const FieldLookup record = rows_->Row(row);
    const SlotSet draw = FillLayout(items, form_.header, record, sender_, townLookup_);
    // The block goes with the name and honorific slot, or else with the name alone and
    // the honorific's own slot.
    const int nameSlot = draw.test(kNameWithHonorificSlot) ? kNameWithHonorificSlot : kNameSlot;
    const NameBlock block = AddresseeNameBlock(record);
    const NameBlock beside = BlockBesideName(block, items);
    NameBlockPlace place;
    place.bottom = form_.header.paperHeight - kEdgeClearance;
    place.honorificApart = nameSlot == kNameSlot && draw.test(kHonorificSlot);
    // Nothing of one label may land on its neighbour: a text or barcode placed past the
    // cell's edge is cut there.
    const bool label = IsLabelLayout();
    if (label) {
        const LayoutHeader& h = form_.header;
        const double sx = items[0].object.ScaleX(), sy = items[0].object.ScaleY();
        const QPointF off = printableArea ? PrintableOffset(painter.device()) : QPointF();
        painter.save();
        painter.setClipRect(
            QRectF(ox * sx - off.x(), oy * sy - off.y(), h.paperWidth * sx, h.paperHeight * sy), Qt::IntersectClip);
    }
    std::array<int, kLayoutSlots> columns {};
    for (int slot = 0; slot < kLayoutSlots; ++slot) {
        if (!draw.test(static_cast<std::size_t>(slot)))
            continue;
        const TextItem& object = items[static_cast<std::size_t>(slot)].object;
        switch (slot) {
        case kBarcodeSlot:
            DrawCustomerBarcode(painter, object, ox, oy, printableArea);
            continue;
        case kJointNameSlot:
            DrawJointNameSlot(painter, object, block, ox, oy, printableArea);
            continue;
        case kCompanySlot:
            DrawCompanySlot(painter, object, block, ox, oy, printableArea);
            continue;
        default:
            break;
        }
        if (slot == kHonorificSlot && place.honorificApart && draw.test(kNameSlot)) {
            DrawJointHonorifics(painter, object, items[kNameSlot].object, beside, ox, oy, printableArea, place);
            continue;
        }
        std::int32_t shift = 0;
        const TextItem::ColumnFlow flow = AddressFlow(items, draw, columns, slot, shift);
        columns[static_cast<std::size_t>(slot)] = slot == nameSlot
            ? DrawNameBlock(painter, object, beside, ox + shift, oy, printableArea, flow, place)
            : object.Draw(painter, ox + shift, oy, printableArea, flow);
    }
    if (label)
        painter.restore();
}

void CardRenderer::DrawRecord(bool onPreview, QPainter& painter, std::int32_t ox, std::int32_t oy)
{
    gui::WaitCursor wait;
    const bool card = !IsLabelLayout();
    if (onPreview && card) {
        painter.fillRect(QRect(QPoint(0, 0), SurfaceSize()), Qt::white);
        if (!form_.header.backgroundImage.empty() && !backgroundImage_.isNull())
            painter.drawImage(QPoint(0, 0), backgroundImage_);
    }
    DrawCell(painter, row_, ox, oy, !onPreview);
}

void CardRenderer::DrawSheet(QPainter& painter)
{
    gui::WaitCursor wait;
    const LayoutHeader& h = form_.header;
    painter.fillRect(QRect(QPoint(0, 0), SurfaceSize()), Qt::white);
    // A picture of the sheet, when the layout names one, shows where the cells lie.
    if (!h.backgroundImage.empty() && !backgroundImage_.isNull())
        painter.drawImage(QPoint(0, 0), backgroundImage_);
    const int columns = SheetColumns(h), rows = SheetRows(h);
    int row = row_;
    for (int r = 0; r < rows && row >= 0 && row < RowCount(); ++r)
        for (int c = 0; c < columns && row < RowCount(); ++c, ++row) {
            const CellOffset at = LabelCellOffset(h, r, c);
            DrawCell(painter, row, at.x, at.y, false);
        }
}

void CardRenderer::DrawPage(QPainter& painter, const PlannedPage& page)
{
    if (!IsLabelLayout()) {
        DrawCell(painter, page.firstRecord, 0, 0, true);
        return;
    }
    const int columns = SheetColumns(form_.header);
    for (int k = 0; k < page.recordCount; ++k) {
        const CellOffset at = LabelCellOffset(form_.header, k / columns, k % columns);
        DrawCell(painter, page.firstRecord + k, at.x, at.y, true);
    }
}

bool CardRenderer::PrintPages(const QPaintDevice& device, int from, int to)
{
    printed_.clear();
    const std::vector<PlannedPage> pages = PlanPages(RowCount(), RecordsPerPage(), from, to);
    ScaleGuard scale(form_.items, ScaleOf(device));
    if (output_.StartDoc(SJ("宛名印刷")) != JobStep::Ready)
        return false;
    gui::WaitCursor wait;
    std::size_t next = 0;
    bool failed = false;
    const std::function<bool()> step = [&]() -> bool {
        if (next >= pages.size())
            return false;
        if (output_.StartPage() != JobStep::Ready) {
            failed = true;
            return false;
        }
        DrawPage(output_.Painter(), pages[next++]);
        output_.EndPage();
        return next < pages.size();
    };
    bool completed = true;
    if (runner_)
        completed = runner_(static_cast<int>(pages.size()), step);
    else
        while (step()) { }
    if (failed)
        return false;
    if (!completed) {
        output_.AbortDoc();
        return false;
    }
    output_.EndDoc();
    for (const PlannedPage& page : pages)
        for (int r = page.firstRecord; r < page.firstRecord + page.recordCount; ++r)
            if (r >= 0 && static_cast<std::size_t>(r) < prepared_.size())
                printed_.push_back(prepared_[static_cast<std::size_t>(r)]);
    return !pages.empty();
}

bool CardRenderer::PrintRows(QWidget* owner)
{
    const LayoutHeader& h = form_.header;
    const QPaintDevice* device = output_.OpenJob(owner, h.printerSettings == 1, PaperOf(h));
    if (device == nullptr)
        return false;
    return PrintPages(*device, output_.FromPage(), output_.ToPage());
}

int CardRenderer::PrintFromPreview(QWidget* owner, int page)
{
    const LayoutHeader& h = form_.header;
    const QPaintDevice* device = output_.OpenJob(owner, h.printerSettings == 1, PaperOf(h));
    if (device == nullptr)
        return 0;
    const int from = page == -1 ? output_.FromPage() : page;
    const int to = page == -1 ? output_.ToPage() : page;
    const int row = row_;
    PrintPages(*device, from, to);
    row_ = row;
    return 1;
}

} // namespace nrt::print
