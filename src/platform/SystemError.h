#pragma once
// The system's own words for a failure, for the line a failure message adds under the
// program's text.

#include <string>

namespace nrt::platform {

// The text of an errno value (CP932); empty for 0.
std::string ErrorText(int error);

} // namespace nrt::platform
