#include "print/PrintForms.h"

#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"

namespace nrt {
namespace {

// A name that stands for one file of the user folder and nothing else.
bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('\0') == std::string_view::npos
        && platform::FindChar(name, '/') == std::string_view::npos;
}

bool SameName(std::string_view a, std::string_view b)
{
    return platform::lstrcmpiA(a, b) == 0;
}

} // namespace

std::string LayoutFilePath(const AppSettings& global, std::string_view name)
{
    return global.UserFile(std::string(name) + ".ndp");
}

std::string PrinterSettingsPath(const AppSettings& global, std::string_view name)
{
    return global.UserFile(std::string(name) + ".prd");
}

int FindPrintForm(const AppSettings& global, std::string_view name)
{
    const LineList& list = global.ReportList();
    for (int i = 0; i < list.GetCount(); ++i)
        if (SameName(list.GetLine(i), name))
            return i;
    return -1;
}

bool IsRefusedNameChar(unsigned char c)
{
    return (c >= 32 && c <= 47) || (c >= 58 && c <= 63) || (c >= 91 && c <= 94);
}

FormOutcome CreatePrintForm(AppSettings& global, std::string_view name, int kind)
{
    if (kind == 0) {
        platform::Warn(SJ("種類を選択して下さい。"));
        return FormOutcome::Refused;
    }
    if (name.empty()) {
        platform::Warn(SJ("印刷名を入力して下さい。"));
        return FormOutcome::RefusedAtName;
    }
    if (FindPrintForm(global, name) >= 0) {
        platform::Warn(SJ("既に存在する印刷名です。"));
        return FormOutcome::Refused;
    }
    if (!platform::Ask(SJ("登録します。よろしいですか？"), true))
        return FormOutcome::Declined;
    LineList& list = global.ReportList();
    const int index = list.GetCount();
    list.AddLine(name);
    global.ApplyDefaultLayout(kind);
    // A new form keeps its kind (a name need not tell it), prints the prefecture, and
    // where bulk mail goes (envelope fronts, labels) shows the customer barcode.
    LayoutHeader& header = global.Header();
    header.formKind = kind;
    header.printPrefecture = 1;
    if (OffersCustomerBarcode(kind, header))
        global.Layout()[kBarcodeSlot].shown = true;
    if (!IsPlainFileName(name) || global.WriteLayoutFile(index) != 0) {
        list.DeleteLine(index);
        platform::Warn(SJ("不正な印刷名です。"));
        return FormOutcome::RefusedAtName;
    }
    global.SaveReportList();
    return FormOutcome::Done;
}

FormOutcome RenamePrintForm(AppSettings& global, int index, std::string_view newName)
{
    LineList& list = global.ReportList();
    if (index < 0 || index >= list.GetCount())
        return FormOutcome::Refused;
    const std::string oldName(list.GetLine(index));
    if (newName.empty()) {
        platform::Warn(SJ("レポート名を入力して下さい。"));
        return FormOutcome::RefusedAtName;
    }
    if (newName.substr(0, 3) == "rep") {
        platform::Warn(SJ("予約語が含まれています。"));
        return FormOutcome::Refused;
    }
    if (SameName(newName, oldName)) {
        platform::Warn(SJ("同一ファイル名です。"));
        return FormOutcome::Refused;
    }
    if (FindPrintForm(global, newName) >= 0) {
        platform::Warn(SJ("既に存在するレポート名です。"));
        return FormOutcome::Refused;
    }
    if (!platform::Ask(SJ("名前を変更します。よろしいですか？"), true))
        return FormOutcome::Declined;

    const std::string oldLayout = LayoutFilePath(global, oldName);
    if (!platform::fs::IsFile(oldLayout)) {
        global.ApplyDefaultLayout(AppSettings::ReportKindOfName(oldName));
        if (global.WriteLayoutFile(index) != 0) {
            platform::Warn(SJ("不正な印刷名です。"));
            return FormOutcome::Refused;
        }
    }
    const std::string newLayout = LayoutFilePath(global, newName);
    if (!IsPlainFileName(newName) || !platform::fs::CopyFile(oldLayout, newLayout)) {
        platform::Warn(SJ("不正な印刷名です。"));
        return FormOutcome::RefusedAtName;
    }
    platform::fs::RemoveFile(oldLayout);
    list.SetLine(index, newName);
    global.SaveReportList();

    const std::string oldSettings = PrinterSettingsPath(global, oldName);
    if (platform::fs::IsFile(oldSettings)) {
        if (!platform::fs::CopyFile(oldSettings, PrinterSettingsPath(global, newName))) {
            platform::Warn(SJ("プリンタ設定の名前変更に失敗しました。"));
            return FormOutcome::Refused;
        }
        platform::fs::RemoveFile(oldSettings);
    }
    return FormOutcome::Done;
}

FormOutcome DeletePrintForm(AppSettings& global, int index)
{
    LineList& list = global.ReportList();
    if (index < 0 || index >= list.GetCount()) {
        platform::Warn(SJ("リストを選択して下さい。"));
        return FormOutcome::Refused;
    }
    if (list.GetCount() <= 1) {
        platform::Warn(SJ("全てのレポートを削除することは出来ません。"));
        return FormOutcome::Refused;
    }
    if (!platform::Ask(SJ("削除します。よろしいですか？")))
        return FormOutcome::Declined;
    const std::string name(list.GetLine(index));
    if (IsPlainFileName(name)) {
        platform::fs::RemoveFile(PrinterSettingsPath(global, name));
        platform::fs::RemoveFile(LayoutFilePath(global, name));
    }
    list.DeleteLine(index);
    global.SaveReportList();
    return FormOutcome::Done;
}

} // namespace nrt
