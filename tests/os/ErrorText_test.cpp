#include "os/ErrorText.h"

#include "support/SimTest.h"

namespace {

class SystemError : public SimTest {
protected:
    void TearDown() override {
        os::SetMessageLanguage(1033);
        SimTest::TearDown();
    }
};

TEST_F(SystemError, CodeNumberAndTheSystemsTextInTheMessageLanguage) {
    EXPECT_EQ(os::MessageLanguage(), 1033);
    EXPECT_EQ(os::SystemErrorText(5), L"Code: 5 - Access is denied.\r\n");

    machine.SetMessage(1041, 5, L"\u30a2\u30af\u30bb\u30b9\u304c\u62d2\u5426\u3055\u308c\u307e\u3057\u305f\u3002\r\n");
    os::SetMessageLanguage(1041);
    EXPECT_EQ(os::SystemErrorText(5),
              L"Code: 5 - \u30a2\u30af\u30bb\u30b9\u304c\u62d2\u5426\u3055\u308c\u307e\u3057\u305f\u3002\r\n");
}

TEST_F(SystemError, ALanguageWindowsLacksFallsBackToItsDefault) {
    os::SetMessageLanguage(1054);
    EXPECT_EQ(os::SystemErrorText(3001), L"Code: 3001 - The printer driver is currently in use.\r\n");
}

TEST_F(SystemError, ACodeWithoutAMessageGivesNoText) {
    EXPECT_EQ(os::SystemErrorText(0xDEAD), L"");
    machine.FailCall(os::sim::Operation::FormatMessage, 8);
    machine.FailCall(os::sim::Operation::FormatMessage, 8, 2);
    EXPECT_EQ(os::SystemErrorText(5), L"");
}

}  // namespace
