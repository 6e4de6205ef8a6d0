// The Qt application the forms tests need, and a modal handler that fails the test
// (instead of blocking) when a window opens modally that the test did not expect.
#include "Forms.h"

#include <gtest/gtest.h>

namespace {
class FormsEnvironment : public ::testing::Environment {
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
    ::testing::AddGlobalTestEnvironment(new FormsEnvironment);
} // namespace
