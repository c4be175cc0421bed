#include "print/PrintForms.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "print/PrintForm.h"
#include "settings/AppSettings.h"

#include <cerrno>
#include <utility>

namespace nrt {
namespace {

// A name that stands for one file of the book folder and nothing else.
bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('\0') == std::string_view::npos
        && platform::FindChar(name, '/') == std::string_view::npos;
}

bool SameName(std::string_view a, std::string_view b)
{
    return platform::lstrcmpiA(a, b) == 0;
}

FormResult Refused(FormChange change)
{
    return FormResult { change, {} };
}

FormResult Refused(FormChange change, const platform::FileWrite& written)
{
    return FormResult { change, written.Reason() };
}

// The change stays made in memory; a list file not written is said, since the change
// would be gone at the next start.
FormResult SaveList(const AppSettings& settings)
{
    if (const platform::FileWrite written = settings.SaveFormList(); !written.Ok())
        return Refused(FormChange::ListNotSaved, written);
    return {};
}

// A copy that failed, with the system's reason.
FormResult CopyRefused(FormChange change, std::string_view to)
{
    return Refused(change, platform::FileWrite::Failed(to));
}

// What each refusal says (UTF-8).
constexpr std::pair<FormChange, const char*> kMessages[] = {
    { FormChange::NoKindChosen, "種類を選択して下さい。" },
    { FormChange::NoName, "印刷名を入力して下さい。" },
    { FormChange::NameTaken, "既に存在する印刷名です。" },
    { FormChange::NotAFileName, "不正な印刷名です。" },
    { FormChange::LayoutNotWritten, "不正な印刷名です。" },
    { FormChange::NoNewName, "レポート名を入力して下さい。" },
    { FormChange::ReservedWord, "予約語が含まれています。" },
    { FormChange::SameName, "同一ファイル名です。" },
    { FormChange::NewNameTaken, "既に存在するレポート名です。" },
    { FormChange::PrinterSettingsKept, "プリンタ設定の名前変更に失敗しました。" },
    { FormChange::NothingSelected, "リストを選択して下さい。" },
    { FormChange::LastForm, "全てのレポートを削除することは出来ません。" },
    { FormChange::ListNotSaved, "印刷フォームの一覧を保存できませんでした。" },
};

} // namespace

bool FormResult::AtName() const
{
    return change == FormChange::NoName || change == FormChange::NotAFileName || change == FormChange::NoNewName;
}

std::string FormResult::Message() const
{
    for (const auto& [refusal, text] : kMessages)
        if (refusal == change)
            return platform::Utf8ToSjis(text) + reason;
    return {}; // done, or nothing to say
}

std::string LayoutFilePath(const AppSettings& settings, std::string_view name)
{
    return settings.BookFile(std::string(name) + ".ndp");
}

std::string PrinterSettingsPath(const AppSettings& settings, std::string_view name)
{
    return settings.BookFile(std::string(name) + ".prd");
}

int FindPrintForm(const AppSettings& settings, std::string_view name)
{
    const LineList& list = settings.FormList();
    for (int i = 0; i < list.GetCount(); ++i)
        if (SameName(list.GetLine(i), name))
            return i;
    return -1;
}

bool IsRefusedNameChar(unsigned char c)
{
    return (c >= 32 && c <= 47) || (c >= 58 && c <= 63) || (c >= 91 && c <= 94);
}

FormResult CheckNewPrintForm(const AppSettings& settings, std::string_view name, int kind)
{
    if (kind == 0)
        return Refused(FormChange::NoKindChosen);
    if (name.empty())
        return Refused(FormChange::NoName);
    if (FindPrintForm(settings, name) >= 0)
        return Refused(FormChange::NameTaken);
    return {};
}

FormResult CreatePrintForm(AppSettings& settings, std::string_view name, int kind)
{
    if (FormResult checked = CheckNewPrintForm(settings, name, kind); !checked.Done())
        return checked;
    LineList& list = settings.FormList();
    const int index = list.GetCount();
    list.AddLine(name);
    // A new form keeps its kind (a name need not tell it), prints the prefecture, and
    // where bulk mail goes (envelope fronts, labels) shows the customer barcode.
    PrintForm form = PrintForm::Defaults(kind);
    form.header.formKind = kind;
    form.header.printPrefecture = 1;
    if (OffersCustomerBarcode(kind, form.header))
        form.items[kBarcodeSlot].shown = true;
    if (!IsPlainFileName(name)) {
        list.DeleteLine(index);
        return Refused(FormChange::NotAFileName);
    }
    if (const platform::FileWrite written = WritePrintForm(settings, index, form); !written.Ok()) {
        list.DeleteLine(index);
        return Refused(FormChange::NotAFileName, written);
    }
    return SaveList(settings);
}

FormResult CheckRenamePrintForm(const AppSettings& settings, int index, std::string_view newName)
{
    const LineList& list = settings.FormList();
    if (index < 0 || index >= list.GetCount())
        return Refused(FormChange::NoSuchForm);
    if (newName.empty())
        return Refused(FormChange::NoNewName);
    if (newName.substr(0, 3) == "rep")
        return Refused(FormChange::ReservedWord);
    if (SameName(newName, list.GetLine(index)))
        return Refused(FormChange::SameName);
    if (FindPrintForm(settings, newName) >= 0)
        return Refused(FormChange::NewNameTaken);
    return {};
}

FormResult RenamePrintForm(AppSettings& settings, int index, std::string_view newName)
{
    if (FormResult checked = CheckRenamePrintForm(settings, index, newName); !checked.Done())
        return checked;
    LineList& list = settings.FormList();
    const std::string oldName(list.GetLine(index));
    const std::string oldLayout = LayoutFilePath(settings, oldName);
    if (!platform::fs::IsFile(oldLayout)) {
        const PrintForm defaults = PrintForm::Defaults(AppSettings::FormKindOfName(oldName));
        if (const platform::FileWrite written = WritePrintForm(settings, index, defaults); !written.Ok())
            return Refused(FormChange::LayoutNotWritten, written);
    }
    if (!IsPlainFileName(newName))
        return Refused(FormChange::NotAFileName);
    const std::string newLayout = LayoutFilePath(settings, newName);
    errno = 0;
    if (!platform::fs::CopyFile(oldLayout, newLayout))
        return CopyRefused(FormChange::NotAFileName, newLayout);
    platform::fs::RemoveFile(oldLayout);
    list.SetLine(index, newName);
    const FormResult saved = SaveList(settings);

    const std::string oldSettings = PrinterSettingsPath(settings, oldName);
    if (platform::fs::IsFile(oldSettings)) {
        const std::string newSettings = PrinterSettingsPath(settings, newName);
        errno = 0;
        if (!platform::fs::CopyFile(oldSettings, newSettings))
            return CopyRefused(FormChange::PrinterSettingsKept, newSettings);
        platform::fs::RemoveFile(oldSettings);
    }
    return saved;
}

FormResult CheckDeletePrintForm(const AppSettings& settings, int index)
{
    const LineList& list = settings.FormList();
    if (index < 0 || index >= list.GetCount())
        return Refused(FormChange::NothingSelected);
    if (list.GetCount() <= 1)
        return Refused(FormChange::LastForm);
    return {};
}

FormResult DeletePrintForm(AppSettings& settings, int index)
{
    if (FormResult checked = CheckDeletePrintForm(settings, index); !checked.Done())
        return checked;
    LineList& list = settings.FormList();
    const std::string name(list.GetLine(index));
    if (IsPlainFileName(name)) {
        platform::fs::RemoveFile(PrinterSettingsPath(settings, name));
        platform::fs::RemoveFile(LayoutFilePath(settings, name));
    }
    list.DeleteLine(index);
    return SaveList(settings);
}

} // namespace nrt
