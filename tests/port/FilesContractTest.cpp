#include "port/FilesContract.h"
#include "support/RecordingPlatform.h"

namespace resolvo::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Recording, FilesContract, ::testing::Types<RecordingPlatform>);

}  // namespace resolvo::testing
