#include "support/Golden.h"

#include "platform/fs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace nrt::test {
namespace {

std::string GoldenFolder()
{
    return SourceDir() + "/data/golden/";
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

// Where two texts differ, line by line (the first few lines); for bytes, the offset.
std::string Difference(std::string_view actual, std::string_view golden)
{
    if (actual.find('\0') != std::string_view::npos || golden.find('\0') != std::string_view::npos) {
        const auto at = std::mismatch(actual.begin(), actual.end(), golden.begin(), golden.end());
        return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(golden.size())
            + ", first difference at byte " + std::to_string(at.first - actual.begin());
    }
    const std::vector<std::string_view> a = Lines(actual), g = Lines(golden);
    std::string out;
    int told = 0;
    for (std::size_t i = 0; i < std::max(a.size(), g.size()) && told < 8; ++i) {
        const std::string_view was = i < g.size() ? g[i] : "(none)", now = i < a.size() ? a[i] : "(none)";
        if (was != now) {
            out += "line " + std::to_string(i + 1) + ": golden [" + std::string(was) + "] now [" + std::string(now)
                + "]\n";
            ++told;
        }
    }
    return out;
}

} // namespace

std::string GoldenPath(std::string_view relative)
{
    return platform::fs::FromSystemPath(GoldenFolder()) + std::string(relative);
}

std::vector<std::string> GoldenFiles(std::string_view folder, std::string_view extension)
{
    std::vector<std::string> out;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(GoldenFolder() + std::string(folder), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > extension.size() && name.ends_with(extension))
            out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string GoldenCaseName(std::string_view file)
{
    std::string out(file.substr(0, file.rfind('.')));
    for (char& c : out)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return out;
}

bool UpdatingGoldens()
{
    const char* update = std::getenv("NRT_UPDATE_GOLDEN");
    return update && std::string_view(update) == "1";
}

void ExpectGolden(std::string_view relative, std::string_view actual)
{
    const std::string path = GoldenPath(relative);
    if (UpdatingGoldens()) {
        WriteAll(path, actual);
        return;
    }
    std::string golden;
    ASSERT_TRUE(platform::fs::ReadFile(path, golden))
        << "no golden " << relative << " (NRT_UPDATE_GOLDEN=1 writes it: tests/data/golden/README.md)";
    if (actual != golden)
        ADD_FAILURE() << "differs from the golden " << relative << "\n" << Difference(actual, golden);
}

} // namespace nrt::test
