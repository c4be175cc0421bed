#pragma once
// Path helpers that need no settings: the user's special folders, the per-user data
// folder, file name parts, and the characters a book name may not contain. Paths are
// CP932 with "/" separators; every scan steps over double-byte characters whole.

#include <string>
#include <string_view>

namespace nrt {

class DataPaths {
public:
    // Kinds of SpecialFolder.
    enum Folder : int { kDesktop = 0, kStartup = 1, kSendTo = 2, kPrograms = 3, kDocuments = 4, kProgramFiles = 5 };

    // The folder of a kind without a trailing "/", then "/" and `subPath` when that is
    // not empty; an empty text for a kind this system does not have or an unknown home.
    static std::string SpecialFolder(int kind, std::string_view subPath = {});
    // $XDG_DATA_HOME (or ~/.local/share) + "/maker/program", created; the folder (no
    // trailing "/") when a test file could be created in it, else an empty text.
    static std::string MakeAppDataFolder(std::string_view maker, std::string_view program);
    // Where MakeAppDataFolder makes its folder, without making or testing anything;
    // empty when there is no per-user data location.
    static std::string AppDataFolder(std::string_view maker, std::string_view program);
    // The folder of the running program, ending with "/"; empty when unknown.
    static std::string ExecutableFolder();
    // Where the program's shipped files (help, pictures, postal dictionary) are for a
    // program in `programFolder` (ending with "/"): "share/nortea/" beside its "bin/"
    // when installed so, else the program's own folder (the build tree, a portable
    // copy). Ends with "/".
    static std::string ShippedFolder(std::string_view programFolder);

    // False for an empty path or one of 250 bytes or more; otherwise true when the
    // file "make.chk" can be created (and is removed again) in the folder.
    static bool IsWritableFolder(std::string_view path);
    static bool FileExists(std::string_view path);
    // In the name part (after the last "/"): with a ".", the part from the last "."
    // on is exchanged for `extension` when `replace`; without one, `extension` (given
    // with its dot) is appended.
    static std::string SetExtension(std::string_view path, std::string_view extension, bool replace);
    // The first single-byte character a book name may not contain, or 0 when none.
    static char BadNameChar(std::string_view text);
    // A name that can serve as a book folder: at most 30 bytes, no BadNameChar, and
    // no lead byte without its second byte at the end.
    static bool IsUsableBookName(std::string_view name);
};

} // namespace nrt
