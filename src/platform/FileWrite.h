#pragma once
// How writing a file went: written, or the file that was not and the system's reason,
// for a message to add below its own text.

#include "platform/sjis.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

namespace nrt::platform {

class FileWrite {
public:
    static FileWrite Written() { return FileWrite(); }
    // Takes errno as the failing call left it (0 when the path itself was refused).
    static FileWrite Failed(std::string_view file)
    {
        FileWrite result;
        result.failed_ = true;
        result.file_ = file;
        result.error_ = errno;
        return result;
    }

    bool Ok() const { return !failed_; }
    const std::string& File() const { return file_; }
    int Error() const { return error_; }
    // The file and the system's reason, each on a line of its own after a line break
    // (CP932); empty when it was written.
    std::string Reason() const
    {
        if (!failed_)
            return {};
        std::string text;
        if (!file_.empty()) {
            text += '\n';
            text += file_;
        }
        if (error_ != 0) {
            text += '\n';
            text += Utf8ToSjis(std::strerror(error_));
        }
        return text;
    }

private:
    FileWrite() = default;
    bool failed_ = false;
    std::string file_;
    int error_ = 0;
};

} // namespace nrt::platform
