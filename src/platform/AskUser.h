#pragma once
// A question asked in the middle of an operation, put to the user by whoever asked for
// the operation (a window, a command, a test): true for Yes; `defaultYes` preselects
// Yes. platform::Ask is one.

#include <functional>
#include <string_view>

namespace nrt::platform {

using AskUser = std::function<bool(std::string_view text, bool defaultYes)>;

} // namespace nrt::platform
