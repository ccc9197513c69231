// The Windows tests run on a single-threaded COM apartment, as the program's main thread does.
#include <gtest/gtest.h>

#include <objbase.h>

namespace {

class com_environment_c : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new com_environment_c);

}  // namespace
