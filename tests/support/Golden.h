#pragma once
// Golden files under tests/data/golden: fixtures other programs' files are made like,
// and the bytes or texts the tests expect. NRT_UPDATE_GOLDEN=1 rewrites the expected
// ones instead of comparing.

#include <string>
#include <string_view>
#include <vector>

namespace nrt::test {

// The program path of a golden file; `relative` to tests/data/golden.
std::string GoldenPath(std::string_view relative);
// The names of the files in `folder` that end in `extension`, sorted.
std::vector<std::string> GoldenFiles(std::string_view folder, std::string_view extension);
// A file name as a test parameter's name ("gmail-3.0.vcf": "gmail_3_0").
std::string GoldenCaseName(std::string_view file);
// Whether this run writes the goldens instead of comparing.
bool UpdatingGoldens();
// `actual` against the golden file's bytes; while updating, written there instead.
void ExpectGolden(std::string_view relative, std::string_view actual);

} // namespace nrt::test
