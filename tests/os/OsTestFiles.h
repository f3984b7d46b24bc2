#pragma once
// File helpers for the OS layer tests.
#include "tests/lib/TestFiles.h"

namespace ostest {
using namespace testfiles;
} // namespace ostest
