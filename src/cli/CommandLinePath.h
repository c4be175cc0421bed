#pragma once
// Files named on the command line of nortea-cli.

#include "platform/fs.h"
#include "platform/sjis.h"

#include <unistd.h>

#include <climits>
#include <string>

namespace nrt::cli {

// A file named on the command line is where the shell says it is; the windows' rule
// (a bare name lies in the documents folder) is for names typed into a window.
inline std::string CommandLinePath(const std::string& utf8)
{
    if (!utf8.empty() && utf8.front() == '/')
        return platform::Utf8ToSjis(utf8);
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd))
        return platform::Utf8ToSjis(utf8);
    return platform::fs::FromSystemPath(cwd) + "/" + platform::Utf8ToSjis(utf8);
}

} // namespace nrt::cli
