// The Qt application every test program with windows needs, and a modal handler that fails
// the test (instead of blocking) when a window opens modally that the test did not expect.
// Compiled into each such test program, so its environment registers itself.
#include "Forms.h"

#include <gtest/gtest.h>

namespace {
class WindowsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Application->Initialize();
        SetModalHandler([](TCustomForm& form) -> TModalResult {
            ADD_FAILURE() << "unexpected modal window \"" << form.Caption() << "\"";
            return mrCancel;
        });
    }
    void TearDown() override { SetModalHandler(nullptr); }
};

[[maybe_unused]] const auto* environment =
    ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);
} // namespace
