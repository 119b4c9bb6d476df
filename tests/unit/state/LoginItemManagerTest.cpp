#include <gtest/gtest.h>

#include <vector>

#include "state/LoginItemManager.h"

namespace corvane {
namespace {

// Records every request; its state and failures are set by the test.
class RecordingRegistration : public LoginItemRegistration {
  public:
    bool isRegistered() const override {
        ++statusReads;
        return registered;
    }
    std::optional<LoginItemError> registerItem() override {
        requests.push_back("register");
        return failure;
    }
    std::optional<LoginItemError> unregisterItem() override {
        requests.push_back("unregister");
        return failure;
    }

    bool registered = false;
    std::optional<LoginItemError> failure;
    std::vector<std::string> requests;
    mutable int statusReads = 0;
};

struct RequestCase {
    bool enable;
    bool registeredBefore;
    const char* expected;
};

void PrintTo(const RequestCase& c, std::ostream* out) {
    *out << (c.enable ? "enable" : "disable")
         << (c.registeredBefore ? "WhileRegistered" : "WhileNot");
}

class LoginItemRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(LoginItemRequestTest, MakesExactlyOneRequestWithoutLookingFirst) {
    RecordingRegistration registration;
    registration.registered = GetParam().registeredBefore;
    LoginItemManager manager(registration);
    EXPECT_FALSE(manager.setEnabled(GetParam().enable).has_value());
    EXPECT_EQ(registration.requests, std::vector<std::string>{GetParam().expected});
    EXPECT_EQ(registration.statusReads, 0);
}

INSTANTIATE_TEST_SUITE_P(Requests, LoginItemRequestTest,
                         ::testing::Values(RequestCase{true, false, "register"},
                                           RequestCase{true, true, "register"},
                                           RequestCase{false, true, "unregister"},
                                           RequestCase{false, false, "unregister"}));

TEST(LoginItemManagerTest, FailureIsPassedOnUnchangedAndStateIsReadAgain) {
    RecordingRegistration registration;
    LoginItemManager manager(registration);
    const LoginItemError readOnly(LoginItemError::Kind::registerFailed,
                                  "/home/u/.config/autostart/corvane.desktop",
                                  "Read-only file system");
    registration.failure = readOnly;
    EXPECT_EQ(manager.setEnabled(true), readOnly);
    EXPECT_FALSE(manager.isEnabled());
    registration.registered = true;
    EXPECT_TRUE(manager.isEnabled());
}

}  // namespace
}  // namespace corvane
