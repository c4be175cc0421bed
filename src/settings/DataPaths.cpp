#include "settings/DataPaths.h"

#include "platform/fs.h"
#include "platform/sjis.h"

#include <unistd.h>

#include <cstdlib>
#include <limits.h>

namespace nrt {
namespace {

// An environment variable as a CP932 path; empty when unset, relative, or not
// representable in CP932 (such a path could not be opened again).
std::string EnvFolder(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    bool ok = true;
    std::string path = platform::Utf8ToSjis(value, &ok);
    if (!ok)
        return {};
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string HomeFolder(std::string_view sub)
{
    std::string home = EnvFolder("HOME");
    if (home.empty())
        return {};
    if (home != "/")
        home += '/';
    return home.append(sub);
}

} // namespace

std::string DataPaths::SpecialFolder(int kind, std::string_view subPath)
{
    std::string folder;
    switch (kind) {
    case kDesktop:
        folder = HomeFolder("Desktop");
        break;
    case kStartup: {
        const std::string config = EnvFolder("XDG_CONFIG_HOME");
        folder = config.empty() ? HomeFolder(".config/autostart") : config + "/autostart";
        break;
    }
    case kPrograms: {
        const std::string data = EnvFolder("XDG_DATA_HOME");
        folder = data.empty() ? HomeFolder(".local/share/applications") : data + "/applications";
        break;
    }
    case kDocuments:
        folder = HomeFolder("Documents");
        break;
    default: // no send-to folder and no drive letters here
        break;
    }
    if (folder.empty())
        return {};
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (!subPath.empty()) {
        folder += '/';
        folder += subPath;
    }
    return folder;
}

std::string DataPaths::AppDataFolder(std::string_view maker, std::string_view program)
{
    std::string base = EnvFolder("XDG_DATA_HOME");
    if (base.empty())
        base = HomeFolder(".local/share");
    if (base.empty())
        return {};
    return base + "/" + std::string(maker) + "/" + std::string(program);
}

std::string DataPaths::MakeAppDataFolder(std::string_view maker, std::string_view program)
{
    const std::string folder = AppDataFolder(maker, program);
    if (folder.empty())
        return {};
    // ~/.local/share may not exist yet in a new home; the per-user data folder of
    // the desktop always does.
    const std::string makerFolder = folder.substr(0, folder.size() - program.size() - 1);
    platform::fs::MakeDirs(makerFolder.substr(0, makerFolder.size() - maker.size() - 1));
    platform::fs::MakeDir(makerFolder);
    platform::fs::MakeDir(folder);
    const std::string probe = folder + "/make.chk";
    if (!platform::fs::AtomicWriteFile(probe, {}))
        return {};
    platform::fs::RemoveFile(probe);
    return folder;
}

std::string DataPaths::ExecutableFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path = platform::fs::FromSystemPath(std::string_view(buf, static_cast<std::size_t>(n)));
    const std::size_t slash = platform::FindLastChar(path, '/');
    if (slash == std::string::npos)
        return {};
    path.resize(slash + 1);
    return path;
}

std::string DataPaths::ShippedFolder(std::string_view programFolder)
{
    std::string folder(programFolder);
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    const std::size_t end = folder.size() - 1;
    const std::size_t slash = platform::FindLastChar(std::string_view(folder).substr(0, end), '/');
    if (slash == std::string::npos || folder.compare(slash + 1, end - slash - 1, "bin") != 0)
        return folder;
    const std::string shared = folder.substr(0, slash + 1) + "share/nortea/";
    return platform::fs::IsDirectory(shared) ? shared : folder;
}

bool DataPaths::IsWritableFolder(std::string_view path)
{
    if (path.empty() || path.size() >= 250)
        return false;
    std::string probe(path);
    if (probe.back() != '/')
        probe += '/';
    probe += "make.chk";
    if (!platform::fs::AtomicWriteFile(probe, {}))
        return false;
    platform::fs::RemoveFile(probe);
    return true;
}

bool DataPaths::FileExists(std::string_view path)
{
    return platform::fs::IsFile(path);
}

std::string DataPaths::SetExtension(std::string_view path, std::string_view extension, bool replace)
{
    const std::size_t slash = platform::FindLastChar(path, '/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = platform::FindLastChar(path.substr(nameStart), '.');
    std::string result(path);
    if (dot == std::string_view::npos) {
        result += extension;
    } else if (replace) {
        result.resize(nameStart + dot);
        result += extension;
    }
    return result;
}

char DataPaths::BadNameChar(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); i += platform::CharLength(text, i)) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (platform::IsLeadByte(c))
            continue;
        if ((c >= 0x21 && c <= 0x27) || (c >= 0x2A && c <= 0x2F) || (c >= 0x3A && c <= 0x3F) || (c >= 0x5B && c <= 0x5E)
            || (c >= 0x7B && c <= 0x7E))
            return static_cast<char>(c);
    }
    return 0;
}

bool DataPaths::IsUsableBookName(std::string_view name)
{
    if (name.size() > 30 || BadNameChar(name) != 0)
        return false;
    std::size_t i = 0;
    while (i < name.size()) {
        const std::size_t n = platform::CharLength(name, i);
        if (n == 1 && platform::IsLeadByte(static_cast<unsigned char>(name[i])))
            return false; // a lead byte cut off from its second byte
        i += n;
    }
    return true;
}

} // namespace nrt
