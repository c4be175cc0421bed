#include "print/PrintForm.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"
#include "settings/LayoutDefaults.h"

#include <cerrno>

namespace nrt {
namespace {

// "%s.ndp" of the form in the book folder; empty for a name that cannot stand for one
// file there, or a path the settings refused (a bare name would read and write in
// whatever folder the program happens to run in).
std::string LayoutPath(const AppSettings& settings, std::string_view formName)
{
    if (formName.empty() || formName.find('\0') != std::string_view::npos
        || platform::FindChar(formName, '/') != std::string_view::npos)
        return {};
    std::string path = settings.BookFile(std::string(formName) + ".ndp");
    return !path.empty() && path.front() == '/' ? path : std::string();
}

// The kind a layout file keeps, 0 when it keeps none.
int StoredKind(std::string_view bytes)
{
    LayoutHeader header;
    LayoutTable items;
    return ParseLayout(bytes, header, items) == LayoutLoad::Read ? header.formKind : 0;
}

} // namespace

PrintForm PrintForm::Defaults(int kind)
{
    PrintForm form;
    form.ApplyDefaults(kind);
    return form;
}

void PrintForm::ApplyDefaults(int kind)
{
    ApplyDefaultLayout(kind, header, items);
}

void PrintForm::DrawClipped()
{
    for (LayoutItem& item : items)
        item.object.SetDrawMode(1);
}

LayoutLoad LoadPrintForm(const AppSettings& settings, std::string_view formName, int kind, PrintForm& form)
{
    std::string bytes;
    const std::string path = LayoutPath(settings, formName);
    if (path.empty() || !platform::fs::ReadFile(path, bytes)) {
        form.ApplyDefaults(kind);
        return LayoutLoad::Missing;
    }
    const int stored = StoredKind(bytes);
    form.ApplyDefaults(stored != 0 ? stored : kind);
    const LayoutLoad result = ParseLayout(bytes, form.header, form.items);
    form.header.barcodeMoved = KeepLabelBarcodeInCell(form.header, form.items);
    return result;
}

platform::FileWrite WritePrintForm(const AppSettings& settings, int index, const PrintForm& form)
{
    errno = 0;
    const LineList& forms = settings.FormList();
    if (index < 0 || index >= forms.GetCount())
        return platform::FileWrite::Failed({});
    const std::string_view name = forms.GetLine(index);
    const std::string path = LayoutPath(settings, name);
    errno = 0;
    if (path.empty())
        return platform::FileWrite::Failed(name);
    if (!platform::fs::AtomicWriteFile(path, FormatLayout(form.header, form.items)))
        return platform::FileWrite::Failed(path);
    return platform::FileWrite::Written();
}

int PrintFormKind(const AppSettings& settings, std::string_view formName)
{
    std::string bytes;
    const std::string path = LayoutPath(settings, formName);
    const int stored = !path.empty() && platform::fs::ReadFile(path, bytes) ? StoredKind(bytes) : 0;
    return stored != 0 ? stored : FormKindOfName(formName);
}

std::string BackgroundImagePath(const AppSettings& settings, const LayoutHeader& header)
{
    const std::string& name = header.backgroundImage;
    if (name.empty())
        return {};
    if (platform::FindChar(name, '/') != std::string::npos)
        return name;
    return settings.ProgramFile(name);
}

} // namespace nrt
