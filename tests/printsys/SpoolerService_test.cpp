#include "printsys/SpoolerService.h"

#include "support/SimTest.h"

namespace {

using os::sim::kForever;
using Operation = os::sim::Operation;
using printsys::SpoolerStart;
using printsys::SpoolerStop;

class SpoolerService : public SimTest {
protected:
    printsys::SpoolerStop Stop() { return printsys::StopSpoolerService(stopped); }
    std::vector<os::ServiceEntry> stopped;
    os::sim::Service& Spooler() { return *machine.FindService(L"Spooler"); }
    os::sim::Service& AddDependant(const std::wstring& name) {
        os::sim::Service service;
        service.name = name;
        service.dependsOn = {L"Spooler"};
        machine.services.push_back(service);
        return machine.services.back();
    }
    std::vector<std::wstring> Controls() const {
        std::vector<std::wstring> controls;
        for (const auto& event : machine.events)
            if (event.rfind(L"ControlService", 0) == 0 || event.rfind(L"StartService", 0) == 0) controls.push_back(event);
        return controls;
    }
};

TEST_F(SpoolerService, StopsARunningSpoolerAndStartsItAgain) {
    Spooler().stopTakesMs = 2500;
    Spooler().startTakesMs = 1500;
    Spooler().waitHint = 1000;
    Spooler().checkPointEveryMs = 400;

    testing::internal::CaptureStdout();
    EXPECT_EQ(Stop(), SpoolerStop::Stopped);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Service stopped successfully\n");
    EXPECT_EQ(Spooler().state, os::kServiceStopped);
    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::Running);
    EXPECT_EQ(Spooler().state, os::kServiceRunning);
    EXPECT_EQ(Controls(), (std::vector<std::wstring>{L"ControlService Spooler 1", L"StartService Spooler"}));
}

TEST_F(SpoolerService, AnAlreadyStoppedSpoolerIsNotStoppedByTheCall) {
    Spooler().state = os::kServiceStopped;
    EXPECT_EQ(Stop(), SpoolerStop::NotStopped);
    EXPECT_TRUE(Controls().empty());
}

TEST_F(SpoolerService, ActiveDependantsAreStoppedFirst) {
    auto& fax = AddDependant(L"Fax");
    fax.stopTakesMs = 2000;
    fax.waitHint = 700;
    AddDependant(L"Stopped").state = os::kServiceStopped;

    EXPECT_EQ(Stop(), SpoolerStop::Stopped);
    EXPECT_EQ(Controls(), (std::vector<std::wstring>{L"ControlService Fax 1", L"ControlService Spooler 1"}));
    EXPECT_EQ(machine.FindService(L"Fax")->state, os::kServiceStopped);
}

// Windows refuses to stop a service whose dependant still runs
// (ERROR_DEPENDENT_SERVICES_RUNNING): the attempt is made, and reported as
// "not stopped" so that the caller does not start it again.
TEST_F(SpoolerService, ADependantThatRefusesDoesNotPreventTheAttempt) {
    AddDependant(L"Stubborn").refuseStop = 1052;

    EXPECT_EQ(Stop(), SpoolerStop::NotStopped);
    EXPECT_EQ(Controls(), (std::vector<std::wstring>{L"ControlService Stubborn 1", L"ControlService Spooler 1"}));
    EXPECT_EQ(Spooler().state, os::kServiceRunning);
}

TEST_F(SpoolerService, StartingARunningOrStartingSpoolerIsRefusedUntouched) {
    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::Failed);
    Spooler().state = os::kServiceStartPending;
    Spooler().startTakesMs = kForever;
    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::Failed);
    EXPECT_TRUE(Controls().empty());
}

TEST_F(SpoolerService, AZeroWaitHintIsPolledEverySecondWhilePending) {
    Spooler().state = os::kServiceStopPending;
    Spooler().stopTakesMs = 3500;
    Spooler().checkPointEveryMs = 900;

    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::Running);
    EXPECT_EQ(machine.sleeps, (std::vector<std::uint32_t>{1000, 1000, 1000, 1000}));
    EXPECT_EQ(Controls(), (std::vector<std::wstring>{L"StartService Spooler"}));
}

// A service that has just stopped reports check point 0; that is an end of
// the wait, not a wait that stopped making progress.
TEST_F(SpoolerService, APendingStopThatEndsWithoutCheckPointsIsNotATimeout) {
    Spooler().state = os::kServiceStopPending;
    Spooler().stopTakesMs = 1000;

    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::Running);
    EXPECT_EQ(Spooler().state, os::kServiceRunning);
}

TEST_F(SpoolerService, APendingStopWithoutProgressIsATimeout) {
    Spooler().state = os::kServiceStopPending;
    Spooler().stopTakesMs = kForever;
    Spooler().waitHint = 2500;

    testing::internal::CaptureStdout();
    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::Failed);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Timeout waiting for service to stop\n");
    EXPECT_EQ(machine.Now(), 3000u);
    EXPECT_TRUE(Controls().empty());
}

TEST_F(SpoolerService, AStartIsWaitedForAsLongAsItsCheckPointAdvances) {
    Spooler().state = os::kServiceStopped;
    Spooler().startTakesMs = 60000;
    Spooler().waitHint = 2000;
    Spooler().checkPointEveryMs = 1500;
    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::Running);
    EXPECT_GE(machine.Now(), 60000u);

    machine.Reset();
    Spooler().state = os::kServiceStopped;
    Spooler().startTakesMs = kForever;
    Spooler().waitHint = 3000;
    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::NotRunning);
    EXPECT_EQ(machine.Now(), 4000u);
}

TEST_F(SpoolerService, AStopIsGivenUpAfterThirtySeconds) {
    struct Case {
        std::uint32_t waitHint;
        std::uint32_t tickAtStart;
    };
    // A zero hint makes the wait poll without sleeping; the limit still holds,
    // also across the wrap of the tick count.
    const Case cases[] = {{5000, 0}, {0, 0}, {5000, 0xFFFFFFFF - 12000}};
    for (const Case& c : cases) {
        machine.Reset();
        machine.SetTickCount(c.tickAtStart);
        Spooler().stopTakesMs = kForever;
        Spooler().waitHint = c.waitHint;
        testing::internal::CaptureStdout();
        EXPECT_EQ(Stop(), SpoolerStop::NotStopped) << c.waitHint;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Wait timed out\n");
        const auto elapsed = machine.Now() - c.tickAtStart;
        EXPECT_GT(elapsed, 30000u);
        EXPECT_LE(elapsed, 30000u + c.waitHint + 1);
    }
}

TEST_F(SpoolerService, AStopAcrossTheTickCountWrapIsNoTimeout) {
    machine.SetTickCount(0xFFFFFFFF - 1000);
    Spooler().stopTakesMs = 10000;
    Spooler().waitHint = 2000;
    EXPECT_EQ(Stop(), SpoolerStop::Stopped);
}

TEST_F(SpoolerService, AStopPendingWhenCalledIsWaitedOutButNotCountedAsStopped) {
    Spooler().state = os::kServiceStopPending;
    Spooler().stopTakesMs = 2500;
    EXPECT_EQ(Stop(), SpoolerStop::NotStopped);
    EXPECT_EQ(Spooler().state, os::kServiceStopped);
    EXPECT_EQ(machine.sleeps, (std::vector<std::uint32_t>{1000, 1000, 1000}));
}

TEST_F(SpoolerService, FailuresToOpenOrQuery) {
    struct Case {
        Operation operation;
        SpoolerStop stop;
        SpoolerStart start;
    };
    const Case cases[] = {
        {Operation::OpenSCManager, SpoolerStop::NotOpened, SpoolerStart::Failed},
        {Operation::OpenService, SpoolerStop::NotOpened, SpoolerStart::Failed},
        {Operation::QueryServiceStatus, SpoolerStop::NotStopped, SpoolerStart::Failed},
    };
    for (const Case& c : cases) {
        machine.Reset();
        Spooler().state = os::kServiceStopped;
        machine.FailCall(c.operation, 5);
        testing::internal::CaptureStdout();
        EXPECT_EQ(printsys::StartSpoolerService(), c.start);
        testing::internal::GetCapturedStdout();
        Spooler().state = os::kServiceRunning;
        machine.FailCall(c.operation, 5);
        EXPECT_EQ(Stop(), c.stop);
        EXPECT_EQ(machine.OpenHandleCount(), 0u);
    }

    machine.Reset();
    machine.isAdministrator = false;
    EXPECT_EQ(Stop(), SpoolerStop::NotOpened);
}

TEST_F(SpoolerService, AStartThatFailsIsReported) {
    Spooler().state = os::kServiceStopped;
    Spooler().refuseStart = 1058;
    testing::internal::CaptureStdout();
    EXPECT_EQ(printsys::StartSpoolerService(), SpoolerStart::Failed);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "StartService failed (1058)\n");
}

}  // namespace
