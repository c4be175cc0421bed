// nortea-cli forms: the print forms of the current book listed with their kind and
// paper, the kinds a form can be made as (named as the new-form window names them), and
// a new form made with its kind's defaults, with the window's checks and messages.
#include "cli/Cli.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "print/PrintForm.h"
#include "print/PrintForms.h"
#include "settings/LayoutDefaults.h"

#include <cstdio>

namespace nrt::cli {
namespace {

std::string Millimetres(std::int32_t hundredths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", hundredths / 100.0);
    return text;
}

// "100.00x148.00mm", or for a label sheet the cell and the sheet.
std::string PaperText(const LayoutHeader& h)
{
    const std::string cell = Millimetres(h.paperWidth) + "x" + Millimetres(h.paperHeight) + "mm";
    if (h.labelSheet == 0)
        return cell;
    return cell + " " + std::to_string(h.columns) + "x" + std::to_string(h.rows) + " " + Millimetres(h.sheetWidth) + "x"
        + Millimetres(h.sheetHeight) + "mm";
}

// The kind a user names: its name in the new-form window, or its number.
int KindNamed(const std::string& utf8)
{
    for (const FormKindInfo& kind : kFormKinds)
        if (utf8 == kind.typeName || utf8 == std::to_string(kind.kind))
            return kind.kind;
    return 0;
}

} // namespace

int RunForms(Context& context, Args& args)
{
    std::string kindName;
    const bool hasKind = args.Option("--kind", kindName);
    if (args.usageError || !args.unknown().empty())
        return kExitUsage;
    const std::vector<std::string>& rest = args.Rest();
    AppSettings& settings = context.Settings();
    if (rest.empty() && !hasKind) {
        const LineList& forms = settings.FormList();
        for (int i = 0; i < forms.GetCount(); ++i) {
            const std::string name(forms.GetLine(i));
            const int kind = PrintFormKind(settings, name);
            // A form without its file lists its kind's paper, as it would print.
            PrintForm form;
            static_cast<void>(LoadPrintForm(settings, name, kind, form));
            std::printf(
                "%s\t%s\t%s\n", Out(name).c_str(), Out(FormTypeName(kind)).c_str(), PaperText(form.header).c_str());
        }
        return kExitOk;
    }
    if (rest.size() == 1 && rest[0] == "kinds" && !hasKind) {
        for (const FormKindInfo& kind : kFormKinds)
            std::printf("%s\n", kind.typeName);
        return kExitOk;
    }
    if (rest.size() != 2 || rest[0] != "create" || !hasKind)
        return kExitUsage;
    const int kind = KindNamed(kindName);
    if (kind == 0) {
        PrintMessage(SJ("注意"), SJ("種類を選択して下さい。"));
        return kExitUsage;
    }
    if (!context.LockForWriting())
        return kExitFailed;
    // Said and asked through the message host, as the window says and asks them.
    const std::string name = platform::Utf8ToSjis(rest[1]);
    FormResult result = CheckNewPrintForm(settings, name, kind);
    if (result.Done() && !platform::Ask(SJ("登録します。よろしいですか？"), true))
        return kExitFailed;
    if (result.Done())
        result = CreatePrintForm(settings, name, kind);
    if (const std::string message = result.Message(); !message.empty())
        platform::Warn(message);
    return result.Done() ? kExitOk : kExitFailed;
}

} // namespace nrt::cli
