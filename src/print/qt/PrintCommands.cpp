#include "print/qt/PrintCommands.h"

#include "db/RecordSet.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "print/RowSource.h"
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

#include <QApplication>

#include <functional>

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

PrintCommands::PrintCommands(AppSettings& global, AddressTable& table, QWidget* window)
    : global_(global)
    , window_(window)
    , printer_(std::make_unique<PrinterBinding>(window))
    , renderer_(std::make_unique<CardRenderer>(global, table, *printer_))
{
    renderer_->SetProgressRunner(RunnerOver(window_));
}

PrintCommands::~PrintCommands() = default;

bool PrintCommands::ChooseForm(std::string& name, bool senderTab)
{
    if (senderTab && !platform::Ask(SJ("差出人を宛名として印刷します。よろしいですか？"), true))
        return false;
    PrintFormList list(global_, PrintFormList::Mode::Choose, window_);
    const int index = list.Choose();
    if (index < 0 || index >= global_.ReportList().GetCount())
        return false;
    name = global_.ReportList().GetLine(index);
    return true;
}

void PrintCommands::Print(std::string_view printCondition, std::string_view sortOrder, bool senderTab)
{
    std::string form;
    if (!ChooseForm(form, senderTab))
        return;
    if (!renderer_->Prepare(form, AppSettings::ReportKindOfName(form), printCondition, sortOrder))
        return;
    renderer_->PrintRows(window_);
}

void PrintCommands::Preview(std::string_view printCondition, std::string_view sortOrder, bool senderTab)
{
    std::string form;
    if (!ChooseForm(form, senderTab))
        return;
    if (!renderer_->Prepare(form, AppSettings::ReportKindOfName(form), printCondition, sortOrder))
        return;
    PrintPreview preview(*renderer_, global_, window_);
    preview.exec();
}

int PrintCommands::ChooseFormToEdit()
{
    PrintFormList list(global_, PrintFormList::Mode::Manage, window_);
    return list.Choose();
}

void PrintCommands::EditLayout(int index)
{
    const LineList& forms = global_.ReportList();
    if (index < 0 || index >= forms.GetCount())
        return;
    LayoutEditor editor(global_, *printer_, index, AppSettings::ReportKindOfName(forms.GetLine(index)), window_);
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
    NewPrintFormDialog dialog(global_, window_);
    return dialog.exec() == QDialog::Accepted;
}

void PrintCommands::PrintList(const RecordSet& listed)
{
    RecordSetRows rows(listed);
    PrintAddressList(*printer_, rows, global_.Header().printerSettings == 1, window_, RunnerOver(window_));
}

} // namespace nrt::print
