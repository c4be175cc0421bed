#include "print/qt/PrintCommands.h"

#include "db/CardHistory.h"
#include "db/RecordSet.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "print/RowSource.h"
#include "print/SentCards.h"
#include "print/qt/LayoutEditor.h"
#include "print/qt/ListPrint.h"
#include "print/qt/NewPrintFormDialog.h"
#include "print/qt/PrintFormList.h"
#include "print/qt/PrintPreview.h"
#include "print/qt/PrintProgress.h"
#include "print/qt/PrinterBinding.h"
#include "print/render/CardRenderer.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"
#include "settings/LayoutDefaults.h"

#include <QApplication>

#include <functional>
#include <string>
#include <vector>

namespace nrt::print {
namespace {

// Long jobs show their progress over whichever window is in front.
CardRenderer::ProgressRunner RunnerOver(QWidget* window)
{
    return [window](int total, const std::function<bool()>& step) {
        QWidget* parent = QApplication::activeModalWidget();
        return PrintProgress::Run(parent ? parent : window, total, step);
    };
}

} // namespace

PrintCommands::PrintCommands(AppSettings& settings, AddressTable& table, QWidget* window)
    : settings_(settings)
    , table_(table)
    , window_(window)
    , printer_(std::make_unique<PrinterBinding>(window))
    , renderer_(std::make_unique<CardRenderer>(settings, table, *printer_))
{
    renderer_->SetProgressRunner(RunnerOver(window_));
}

PrintCommands::~PrintCommands() = default;

bool PrintCommands::ChooseForm(std::string& name, bool senderTab)
{
    if (senderTab && !platform::Ask(SJ("差出人を宛名として印刷します。よろしいですか？"), true))
        return false;
    PrintFormList list(settings_, PrintFormList::Mode::Choose, window_);
    // Several sender records (home and office): the one marked for printing comes first
    // chosen, and choosing it keeps the job as it was.
    std::vector<std::string> senders;
    int marked = -1;
    RecordSet records;
    records.Attach(&table_);
    if (records.Select(SJ("宛名区分='1'")) == SelectResult::kSelected)
        for (int k : records.Rows()) {
            if (marked < 0 && table_.Value(table_.FindField(SJ("印字区分")), k) == "1")
                marked = static_cast<int>(senders.size());
            senders.emplace_back(table_.Value(table_.FindField(SJ("名前")), k));
        }
    if (marked < 0) {
        // None marked: the cards go without a sender unless one is chosen.
        senders.insert(senders.begin(), std::string());
        marked = 0;
    }
    list.OfferSenders(senders, marked);
    const int index = list.Choose();
    if (index < 0 || index >= settings_.FormList().GetCount())
        return false;
    name = settings_.FormList().GetLine(index);
    const int sender = list.ChosenSender();
    renderer_->ChooseSender(sender != marked && sender >= 0 && static_cast<std::size_t>(sender) < senders.size()
            ? senders[static_cast<std::size_t>(sender)]
            : std::string());
    return true;
}

bool PrintCommands::Print(std::string_view printCondition, std::string_view sortOrder, bool senderTab)
{
    std::string form;
    if (!ChooseForm(form, senderTab))
        return false;
    const int kind = PrintFormKind(settings_, form);
    if (!renderer_->Prepare(form, kind, printCondition, sortOrder) || !renderer_->PrintRows(window_))
        return false;
    return OfferToRecordSent(kind);
}

bool PrintCommands::Preview(std::string_view printCondition, std::string_view sortOrder, bool senderTab)
{
    std::string form;
    if (!ChooseForm(form, senderTab))
        return false;
    const int kind = PrintFormKind(settings_, form);
    if (!renderer_->Prepare(form, kind, printCondition, sortOrder))
        return false;
    bool changed = false;
    PrintPreview preview(*renderer_, settings_, window_);
    preview.SetAfterPrint([this, kind, &changed] { changed = OfferToRecordSent(kind) || changed; });
    preview.exec();
    return changed;
}

bool PrintCommands::OfferToRecordSent(int kind)
{
    return print::OfferToRecordSent(
               table_, renderer_->PrintedRecords(), kind, cardhistory::CardYear(platform::GetClock().Now()))
        != SentRecording::kUnchanged;
}

int PrintCommands::ChooseFormToEdit()
{
    PrintFormList list(settings_, PrintFormList::Mode::Manage, window_);
    return list.Choose();
}

void PrintCommands::EditLayout(int index)
{
    const LineList& forms = settings_.FormList();
    if (index < 0 || index >= forms.GetCount())
        return;
    LayoutEditor editor(settings_, *printer_, index, PrintFormKind(settings_, forms.GetLine(index)), window_);
    editor.exec();
}

void PrintCommands::EditLayouts()
{
    const int index = ChooseFormToEdit();
    if (index >= 0)
        EditLayout(index);
}

bool PrintCommands::NewForm()
{
    NewPrintFormDialog dialog(settings_, window_);
    return dialog.exec() == QDialog::Accepted;
}

void PrintCommands::PrintList(const RecordSet& listed)
{
    RecordSetRows rows(listed);
    PrintAddressList(*printer_, rows, renderer_->Form().header.printerSettings == 1, window_, RunnerOver(window_));
}

} // namespace nrt::print
