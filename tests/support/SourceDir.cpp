#include "support/TestSupport.h"

namespace nrt::test {

const std::string& SourceDir()
{
    static const std::string dir = NRT_TEST_SOURCE_DIR;
    return dir;
}

} // namespace nrt::test
