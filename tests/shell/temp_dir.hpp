// Forwards to the shared test support library (talvex/testing/temp_dir.hpp) for tests that still
// include this header; new tests include the shared header directly.
#pragma once

#include "talvex/testing/temp_dir.hpp"

namespace talvex::test {
using talvex::testing::readBytes;
using talvex::testing::TempDir;
using talvex::testing::writeBytes;
}  // namespace talvex::test
