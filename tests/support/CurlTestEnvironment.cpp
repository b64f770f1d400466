// libcurl's global state for the whole run of a test program that uses the
// HTTP client, as the program entry holds it for Setup.exe. Linked in as an
// object, so that the registration below runs.
#include <gtest/gtest.h>

#include <optional>

#include "CurlLibrary.h"

namespace {

class CurlEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { curl_.emplace(); }
    void TearDown() override { curl_.reset(); }

private:
    std::optional<CurlLibrary> curl_;
};

// GoogleTest owns and deletes the environment.
[[maybe_unused]] ::testing::Environment* const kCurlEnvironment =
    ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

}  // namespace
