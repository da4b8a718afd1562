// Service control against Wine's own service control manager: a test service of our own
// (tests/wine/test_service), registered in the throwaway prefix with the behaviour each case
// needs, and Wine's "Spooler" service for the restart.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "common/win/seams.h"
#include "engine/win/service_control.h"
#include "tests/support/recorded_waits.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

// ---------------------------------------------------------------------------------------------
// The engine's waits, recorded through the sleep seam while a Waits object lives. Waits up to
// realUpToMs really happen (longer ones are cut to that length); with 0 every wait returns at
// once. A step of RestartSpooler marks kStepMarker, so the order of waits and step can be checked.

constexpr DWORD kStepMarker = 0xFFFFFFFFu;

class Waits : public RecordedWaits {
public:
    explicit Waits(DWORD realUpToMs) : RecordedWaits(realUpToMs) {}

private:
    ScopedSeam<decltype(TimeSeams::sleep)> seam_{seams::Time().sleep, &RecordedWaits::Wait};
};

// ---------------------------------------------------------------------------------------------
// The test's own access to the service manager (independent of the code under test).

struct ScCloser {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using Sc = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ScCloser>;

Sc OpenManager() { return Sc(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)); }

Sc OpenService(const std::wstring& name) {
    Sc manager = OpenManager();
    return manager ? Sc(OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS)) : Sc();
}

SERVICE_STATUS_PROCESS QueryStatus(const std::wstring& name) {
    SERVICE_STATUS_PROCESS status{};
    Sc service = OpenService(name);
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                                          sizeof(status), &needed))
        status.dwCurrentState = 0;
    return status;
}

DWORD StateOf(const std::wstring& name) { return QueryStatus(name).dwCurrentState; }

// Waits (really, not through the seam) until the service shows the state.
bool WaitForState(const std::wstring& name, DWORD state, DWORD timeoutMs = 15000) {
    Sc service = OpenService(name);
    if (!service) return false;
    const DWORD start = GetTickCount();
    for (;;) {
        SERVICE_STATUS_PROCESS status{};
        DWORD needed = 0;
        if (!QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                                  sizeof(status), &needed))
            return false;
        if (status.dwCurrentState == state) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        ::Sleep(10);
    }
}

// Starts the service and waits until it runs, without the code under test.
::testing::AssertionResult BringUp(const std::wstring& name) {
    Sc service = OpenService(name);
    if (!service) return ::testing::AssertionFailure() << "cannot open " << Narrow(name);
    if (!StartServiceW(service.get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return ::testing::AssertionFailure() << "start failed, error " << GetLastError();
    if (!WaitForState(name, SERVICE_RUNNING)) return ::testing::AssertionFailure() << "never reached RUNNING";
    return ::testing::AssertionSuccess();
}

// Ends the test service whatever its options, without the code under test: it stops at once
// when its quit event is set.
void BringDown(const std::wstring& name) {
    if (StateOf(name) == SERVICE_STOPPED) return;
    const std::wstring eventName = L"Global\\KelnoTestServiceQuit_" + name;
    if (HANDLE quit = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName.c_str())) {
        SetEvent(quit);
        CloseHandle(quit);
    }
    EXPECT_TRUE(WaitForState(name, SERVICE_STOPPED)) << "test service " << Narrow(name) << " did not end";
}

// One test service in the prefix: registered with the given arguments in its binary path,
// stopped and deleted again at the end of the test.
class TestService {
public:
    TestService(std::wstring name, const std::wstring& arguments,
                const std::wstring& program = JoinPath(TestProgramFolder(), L"kelno_test_service.exe"))
        : name_(std::move(name)) {
        const std::wstring binaryPath = L"\"" + program + L"\" " + arguments;
        Sc manager = OpenManager();
        if (!manager) return;
        Sc service(CreateServiceW(manager.get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                  binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        createError_ = service ? 0 : GetLastError();
        created_ = service != nullptr;
    }
    ~TestService() {
        if (!created_) return;
        BringDown(name_);
        if (Sc service = OpenService(name_)) DeleteService(service.get());
    }
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    const wchar_t* name() const { return name_.c_str(); }
    bool created() const { return created_; }
    // Starts it without the code under test and waits until it runs.
    ::testing::AssertionResult Start() const { return BringUp(name_); }
    DWORD createError() const { return createError_; }

private:
    std::wstring name_;
    bool created_ = false;
    DWORD createError_ = 0;
};

#define ASSERT_CREATED(service) \
    ASSERT_TRUE((service).created()) << "CreateServiceW failed, error " << (service).createError()

std::wstring ErrorSuffix(DWORD code) { return L", error: " + std::to_wstring(code); }

// Every wait recorded is of this length.
::testing::AssertionResult AllWaitsAre(const std::vector<DWORD>& events, DWORD milliseconds) {
    for (DWORD e : events)
        if (e != milliseconds) return ::testing::AssertionFailure() << "a wait of " << e << " ms";
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------------------------------------
// StopServiceAndWait / StartServiceAndWait (wizard), StopServiceWithTimeout /
// StartServiceWithTimeout (usbonestep)

// The waiting forms (wizard) and the timeout forms (usbonestep), on a service that changes its
// state slowly and on one that never does.
struct ServiceWait {
    const char* name;
    bool (*call)(const wchar_t* service);
    DWORD pollMs;                // the interval of the polls
    bool runFirst;               // the service runs before the call
    const wchar_t* slowService;  // reaches the wanted state after a while
    const wchar_t* slowArguments;
    std::size_t minPolls;         // polls the slow change takes at least
    const wchar_t* stuckService;  // never reaches it
    const wchar_t* stuckArguments;
    std::size_t stuckPolls;  // polls before the call gives up
    DWORD stuckState;        // where the stuck service stays
    const wchar_t* verb;     // of the time-out message
};

const ServiceWait kServiceWaits[] = {
    {"StopServiceAndWait", [](const wchar_t* s) { return StopServiceAndWait(s); }, 10, true, L"KelnoSvcStop",
     L"--stop-delay=400", 5, L"KelnoSvcIgnore", L"--ignore-stop", 1000, SERVICE_RUNNING, L"stop"},
    {"StartServiceAndWait", [](const wchar_t* s) { return StartServiceAndWait(s); }, 10, false, L"KelnoSvcStart",
     L"--start-delay=400", 5, L"KelnoSvcSlowStart", L"--start-delay=600000", 1000, SERVICE_START_PENDING, L"start"},
    // The timeout forms poll timeout / 10 times.
    {"StopServiceWithTimeout", [](const wchar_t* s) { return StopServiceWithTimeout(s, 300); }, 10, true,
     L"KelnoSvcTimedStop", L"--stop-delay=300", 3, L"KelnoSvcTimedIgnore", L"--ignore-stop", 30, SERVICE_RUNNING,
     L"stop"},
    {"StartServiceWithTimeout", [](const wchar_t* s) { return StartServiceWithTimeout(s, 100); }, 50, false,
     L"KelnoSvcTimedStart", L"--start-delay=300", 2, L"KelnoSvcTimedSlowStart", L"--start-delay=600000", 10,
     SERVICE_START_PENDING, L"start"},
};

class ServiceWaitTest : public ::testing::TestWithParam<ServiceWait> {};

INSTANTIATE_TEST_SUITE_P(Forms, ServiceWaitTest, ::testing::ValuesIn(kServiceWaits),
                         [](const ::testing::TestParamInfo<ServiceWait>& info) { return info.param.name; });

TEST_P(ServiceWaitTest, SucceedsAsSoonAsAPollSeesTheChangeAndSaysNothing) {
    const ServiceWait& form = GetParam();
    TestService service(form.slowService, form.slowArguments);
    ASSERT_CREATED(service);
    if (form.runFirst) {
        ASSERT_TRUE(service.Start());
    }
    DebugOutputCapture capture;
    Waits waits(1000);

    EXPECT_TRUE(form.call(service.name()));
    EXPECT_EQ(StateOf(service.name()), static_cast<DWORD>(form.runFirst ? SERVICE_STOPPED : SERVICE_RUNNING));
    // It returned as soon as a poll saw the change: some polls, far fewer than the limit.
    const auto events = waits.Events();
    EXPECT_TRUE(AllWaitsAre(events, form.pollMs));
    EXPECT_GE(events.size(), form.minPolls);
    EXPECT_LT(events.size(), 1000u);
    capture.Settle();
    EXPECT_TRUE(capture.Messages().empty());
}

TEST_P(ServiceWaitTest, GivesUpAfterItsPollsWhenTheServiceNeverGetsThere) {
    const ServiceWait& form = GetParam();
    TestService service(form.stuckService, form.stuckArguments);
    ASSERT_CREATED(service);
    if (form.runFirst) {
        ASSERT_TRUE(service.Start());
    }
    DebugOutputCapture capture;
    Waits waits(0);

    EXPECT_FALSE(form.call(service.name()));
    EXPECT_EQ(waits.Count(form.pollMs), form.stuckPolls);
    EXPECT_EQ(waits.Events().size(), form.stuckPolls);
    EXPECT_EQ(StateOf(service.name()), form.stuckState);
    ASSERT_TRUE(capture.WaitFor(L"Timed out"));
    EXPECT_EQ(capture.MessagesContaining(L"Timed out"),
              std::vector<std::wstring>{std::wstring(L"Timed out waiting for service ") + form.stuckService + L" to " +
                                        form.verb});
}

TEST(StopServiceAndWait, ServiceThatRefusesTheStopControlIsAFailure) {
    TestService service(L"KelnoSvcRefuse", L"--refuse-stop");
    ASSERT_CREATED(service);
    ASSERT_TRUE(service.Start());
    DebugOutputCapture capture;
    Waits waits(0);

    EXPECT_FALSE(StopServiceAndWait(service.name()));
    EXPECT_TRUE(waits.Events().empty());
    EXPECT_EQ(StateOf(service.name()), static_cast<DWORD>(SERVICE_RUNNING));
    ASSERT_TRUE(capture.WaitFor(L"Failed to stop service"));
    EXPECT_EQ(capture.MessagesContaining(L"Failed to stop service").front(),
              std::wstring(L"Failed to stop service KelnoSvcRefuse") + ErrorSuffix(ERROR_INVALID_SERVICE_CONTROL));
}

TEST(StartServiceAndWait, ServiceWhoseProgramIsMissingReportsTheStartError) {
    const std::wstring missing = JoinPath(TestProgramFolder(), L"no_such_service_program.exe");
    TestService service(L"KelnoSvcMissing", L"", missing);
    ASSERT_CREATED(service);
    // The error the manager gives for this start, asked directly.
    DWORD expected = 0;
    {
        Sc direct = OpenService(service.name());
        ASSERT_TRUE(direct);
        ASSERT_FALSE(StartServiceW(direct.get(), 0, nullptr));
        expected = GetLastError();
    }
    DebugOutputCapture capture;
    Waits waits(0);

    EXPECT_FALSE(StartServiceAndWait(service.name()));
    EXPECT_TRUE(waits.Events().empty());
    ASSERT_TRUE(capture.WaitFor(L"Failed to start service"));
    EXPECT_EQ(capture.MessagesContaining(L"Failed to start service").front(),
              L"Failed to start service KelnoSvcMissing" + ErrorSuffix(expected));
}

// A service already in the wanted state: the waiting forms succeed at once, the timeout forms
// (which act only on the opposite state) fail; none of them acts or waits.
TEST(ServiceControl, ServiceAlreadyInTheWantedStateIsNotTouched) {
    TestService service(L"KelnoSvcIdle", L"");
    ASSERT_CREATED(service);
    {
        Waits waits(0);
        EXPECT_TRUE(StopServiceAndWait(service.name()));
        EXPECT_FALSE(StopServiceWithTimeout(service.name(), 10000));
        EXPECT_TRUE(waits.Events().empty());
        EXPECT_EQ(StateOf(service.name()), static_cast<DWORD>(SERVICE_STOPPED));
    }
    ASSERT_TRUE(service.Start());
    Waits waits(0);
    EXPECT_TRUE(StartServiceAndWait(service.name()));
    EXPECT_FALSE(StartServiceWithTimeout(service.name(), 10000));
    EXPECT_TRUE(waits.Events().empty());
    EXPECT_EQ(StateOf(service.name()), static_cast<DWORD>(SERVICE_RUNNING));
}

// Not installed: stop counts it as stopped, start fails; neither says anything.
TEST(ServiceControl, ServiceThatIsNotInstalledIsQuiet) {
    DebugOutputCapture capture;
    Waits waits(0);
    EXPECT_TRUE(StopServiceAndWait(L"KelnoNoSuchService"));
    EXPECT_FALSE(StartServiceAndWait(L"KelnoNoSuchService"));
    EXPECT_FALSE(StopServiceWithTimeout(L"KelnoNoSuchService", 10000));
    EXPECT_FALSE(StartServiceWithTimeout(L"KelnoNoSuchService", 10000));
    capture.Settle();
    EXPECT_TRUE(capture.Messages().empty());
    EXPECT_TRUE(waits.Events().empty());
}

// Names the manager rejects: reported with its error; a stop still counts the service as
// stopped, a start fails. An over-long name is cut in the message, a null one is empty.
TEST(ServiceControl, NameTheManagerRejectsIsReportedWithTheError) {
    const std::wstring longName = L"bad\\" + std::wstring(1000, L'x');
    const std::wstring cases[] = {L"bad\\name", L"bad/name", longName};
    for (const std::wstring& name : cases) {
        SCOPED_TRACE(Narrow(name.substr(0, 20)));
        DWORD code = 0;
        {
            Sc manager = OpenManager();
            ASSERT_TRUE(manager);
            ASSERT_EQ(OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS), nullptr);
            code = GetLastError();
            ASSERT_NE(code, static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
        }
        const std::wstring expected = L"Failed to open service " + name.substr(0, 256) + ErrorSuffix(code);
        DebugOutputCapture capture;
        EXPECT_TRUE(StopServiceAndWait(name.c_str()));
        EXPECT_FALSE(StartServiceAndWait(name.c_str()));
        capture.Settle();
        EXPECT_EQ(capture.Messages(), (std::vector<std::wstring>{expected, expected}));
    }
    DebugOutputCapture capture;
    EXPECT_TRUE(StopServiceAndWait(nullptr));
    EXPECT_FALSE(StartServiceAndWait(nullptr));
    EXPECT_FALSE(StopServiceWithTimeout(nullptr, 10000));
    EXPECT_FALSE(StartServiceWithTimeout(nullptr, 10000));
    capture.Settle();
    for (const std::wstring& message : capture.Messages())
        EXPECT_EQ(message.rfind(L"Failed to open service , error: ", 0), 0u) << Narrow(message);
}

// ---------------------------------------------------------------------------------------------
// RestartSpooler against Wine's "Spooler" service

struct StepRecord {
    int runs = 0;
    DWORD spoolerState = 0;
};

void RecordingStep(void* argument) {
    auto* record = static_cast<StepRecord*>(argument);
    ++record->runs;
    record->spoolerState = StateOf(kSpoolerService);
    RecordedWaits::Mark(kStepMarker);
}

void ThrowingStep(void* argument) {
    RecordingStep(argument);
    throw 1;
}

class RestartSpoolerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BringUp(kSpoolerService)); }
    // The waits between the spooler's stop and its start, with the step marker: everything
    // that is not a 50 ms poll, in order.
    static std::vector<DWORD> FixedWaitsAndStep(const std::vector<DWORD>& events) {
        std::vector<DWORD> fixed;
        for (DWORD e : events)
            if (e != 50) fixed.push_back(e);
        return fixed;
    }
};

TEST_F(RestartSpoolerTest, WizardFormWaits2000MsThenRunsTheStepWhileTheSpoolerIsStopped) {
    StepRecord record;
    Waits waits(50);
    RestartSpooler(&RecordingStep, &record);

    EXPECT_EQ(record.runs, 1);
    EXPECT_EQ(record.spoolerState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(FixedWaitsAndStep(waits.Events()), (std::vector<DWORD>{2000, kStepMarker}));
}

TEST_F(RestartSpoolerTest, OneStepFormWaits200MsBeforeAnd3000MsAfterTheStep) {
    StepRecord record;
    Waits waits(50);
    RestartSpooler(&RecordingStep, &record, kOneStepSpoolerRestart);

    EXPECT_EQ(record.runs, 1);
    EXPECT_EQ(record.spoolerState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(FixedWaitsAndStep(waits.Events()), (std::vector<DWORD>{200, kStepMarker, 3000}));
}

TEST_F(RestartSpoolerTest, WithoutAStepOnlyTheOneStepFormWaitsBeforeTheStart) {
    {
        Waits waits(50);
        RestartSpooler();
        EXPECT_TRUE(FixedWaitsAndStep(waits.Events()).empty());
        EXPECT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_RUNNING));
    }
    {
        Waits waits(50);
        RestartSpooler(nullptr, nullptr, kOneStepSpoolerRestart);
        EXPECT_EQ(FixedWaitsAndStep(waits.Events()), std::vector<DWORD>{3000});
        EXPECT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_RUNNING));
    }
    // A step without its argument is not run.
    StepRecord record;
    Waits waits(50);
    RestartSpooler(&RecordingStep, nullptr);
    EXPECT_EQ(record.runs, 0);
    EXPECT_TRUE(FixedWaitsAndStep(waits.Events()).empty());
    EXPECT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(RestartSpoolerTest, StepThatThrowsStillGetsTheSpoolerStartedAgain) {
    StepRecord record;
    Waits waits(50);
    RestartSpooler(&ThrowingStep, &record);
    EXPECT_EQ(record.runs, 1);
    EXPECT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(RestartSpoolerTest, ProgramStartUpStartsTheSpoolerOnlyWhenItIsStopped) {
    DebugOutputCapture capture;
    Waits waits(50);
    EXPECT_FALSE(StartStoppedSpoolerAtStartup());  // running: left alone
    EXPECT_TRUE(waits.Events().empty());
    ASSERT_TRUE(capture.WaitFor(L"Start service Spooler, 0, error: 0x0"));

    ASSERT_TRUE(StopSpooler());
    ASSERT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_STOPPED));
    capture.Clear();
    waits.Clear();  // the stop's own 10 ms polls
    EXPECT_TRUE(StartStoppedSpoolerAtStartup());
    EXPECT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(capture.WaitFor(L"Start service Spooler, 1, error: 0x0"));
    EXPECT_TRUE(FixedWaitsAndStep(waits.Events()).empty());  // only 50 ms polls
}

TEST_F(RestartSpoolerTest, StoppedSpoolerIsLeftAloneAndTheStepIsNotRun) {
    ASSERT_TRUE(StopSpooler());
    ASSERT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_STOPPED));
    StepRecord record;
    Waits waits(0);
    RestartSpooler(&RecordingStep, &record);
    RestartSpooler(&RecordingStep, &record, kOneStepSpoolerRestart);
    EXPECT_EQ(record.runs, 0);
    EXPECT_TRUE(waits.Events().empty());
    EXPECT_EQ(StateOf(kSpoolerService), static_cast<DWORD>(SERVICE_STOPPED));
}

}  // namespace
}  // namespace kelno::test
