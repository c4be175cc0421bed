#pragma once
// The card renderer: fills its print form from each record (and the sender) and
// draws it, one card or envelope per page or one cell per label, on a printer or on
// the preview's surface (a page output: the windows' printer, a PDF file, a CUPS
// queue); loads the form's layout, printer settings and background picture.

#include "db/RecordSet.h"
#include "print/BmpImage.h"
#include "print/CardFill.h"
#include "print/LayoutFile.h"
#include "print/PagePlan.h"
#include "print/PrintForm.h"
#include "print/RowSource.h"
#include "settings/LayoutDefaults.h"

#include <QImage>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QPaintDevice;
class QPainter;
class QPageSize;
class QWidget;

namespace nrt {
class AddressTable;
class AppSettings;
} // namespace nrt

namespace nrt::print {

class PageOutput;

class CardRenderer {
public:
    // Starts with the postcard's layout, every slot drawn clipped into its frame.
    CardRenderer(AppSettings& settings, AddressTable& table, PageOutput& output);
    ~CardRenderer();
    CardRenderer(const CardRenderer&) = delete;
    CardRenderer& operator=(const CardRenderer&) = delete;

    // The kind's defaults, then the form's "%s.ndp", its "%s.prd" (when the layout
    // file was read) and the background picture. Returns the layout's load result.
    // Nothing of the settings object changes.
    [[nodiscard]] LayoutLoad LoadLayout(std::string_view formName, int kind);

    // The sender block: emptied, then filled from the first sender record marked for
    // printing ("宛名区分='1' and 印字区分='1'"), or from the sender record of the name
    // chosen with ChooseSender. 0 when there was one, else the selection's code (the
    // sender slots then print empty).
    int LoadSender();
    // The sender record by its 名前 (CP932); empty for the one marked for printing.
    void ChooseSender(std::string_view name) { senderName_ = name; }
    // The same from the first row of `senders`.
    void LoadSender(RowSource& senders);
    const SenderBlock& Sender() const { return sender_; }

    // Printing and the preview start here: the sender, then the records of
    // `condition` in the order of `sort`, then the form's layout. New Year's cards
    // leave out the addressees in mourning for the card year, saying how many. False
    // (after "印刷データがありません。") when no record is selected, or when the chosen
    // sender is not there.
    bool Prepare(std::string_view formName, int kind, std::string_view condition, std::string_view sort);
    // The records Prepare chose, in their order, and how many it left out for mourning.
    const std::vector<int>& PreparedRecords() const { return prepared_; }
    int LeftOutForMourning() const { return leftOut_; }
    // The records on the pages the last print job put out whole.
    const std::vector<int>& PrintedRecords() const { return printed_; }

    // The records to print or preview, the cursor on the first.
    void SetRows(std::unique_ptr<RowSource> rows);
    int RowCount() const;
    int CurrentRow() const { return row_; }
    // False (and nothing moved) for a row outside the records.
    bool SetCurrentRow(int row);
    // Moves the cursor; at the first or last record the system beeps and false comes back.
    bool PreviousRecord();
    bool NextRecord();

    // The current record, filled into the layout and drawn at (ox, oy), 0.01 mm.
    // On the preview the card is first painted white with its background picture;
    // on paper coordinates count from the paper's edge.
    void DrawRecord(bool onPreview, QPainter& painter, std::int32_t ox, std::int32_t oy);
    // One label sheet from the current record (the preview of label layouts); the
    // cursor comes back to where it was.
    void DrawSheet(QPainter& painter);

    // Prints the rows: the print dialog (on the windows' output), then the pages of
    // its range ("宛名印刷"). False when nothing was printed (dialog cancelled,
    // document refused, job cancelled).
    bool PrintRows(QWidget* owner);
    // The preview's print commands: page -1 prints the range of the dialog, any other
    // number that page only. 0 when the dialog was cancelled. The cursor stays.
    int PrintFromPreview(QWidget* owner, int page);

    // The surface the preview draws on, in pixels of item 0's scale: the card, or
    // the sheet of a label layout.
    QSize SurfaceSize() const;
    int RecordsPerPage() const;
    bool IsLabelLayout() const;
    const BmpImage& Background() const { return background_; }
    // The layout being printed; the preview and the tests may change it in place.
    const PrintForm& Form() const { return form_; }
    PrintForm& Form() { return form_; }

    // Runs a job of `total` pages: calls `step` (one page; false once the job is over)
    // until it is over and returns true, or returns false when the user cancelled in
    // between. The print commands install one that shows progress; without one a
    // job runs to its end at once.
    using ProgressRunner = std::function<bool(int total, const std::function<bool()>& step)>;
    void SetProgressRunner(ProgressRunner runner) { runner_ = std::move(runner); }

private:
    struct ScaleGuard;
    bool PrintPages(const QPaintDevice& device, int from, int to);
    void DrawPage(QPainter& painter, const PlannedPage& page);
    void DrawCell(QPainter& painter, int row, std::int32_t ox, std::int32_t oy, bool printableArea);

    AppSettings& settings_;
    AddressTable& table_;
    PageOutput& output_;
    PrintForm form_ = PrintForm::Defaults(kFormPostcard);
    RecordSet records_;
    BmpImage background_;
    QImage backgroundImage_;
    SenderBlock sender_;
    std::unique_ptr<RowSource> rows_;
    int row_ = -1;
    ProgressRunner runner_;
    std::string senderName_;
    std::vector<int> prepared_;
    std::vector<int> printed_;
    int leftOut_ = 0;
    // The customer barcode reads the address after the town the postal dictionary names.
    TownLookup townLookup_;
};

} // namespace nrt::print
