#pragma once
// The shared test helpers the engine tests use: a temporary folder, file bytes, the example tables.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "support/example_files.h"
#include "support/temp_folder.h"

namespace volarin::dbf::testing {

using ::volarin::testing::CopyExample;
using ::volarin::testing::ExampleFile;
using ::volarin::testing::ReadBytes;
using ::volarin::testing::TempFolder;
using ::volarin::testing::WriteBytes;

}  // namespace volarin::dbf::testing
