// Upgrade mode's procedure against a scripted system: which steps run in which order, the
// retries of the driver deletion and what each failure leaves out.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine/upgrade_procedure.h"

namespace kelno {
namespace {

// Records every call as one word (traces as "trace:<text>") and answers from scripts.
class ScriptedOps final : public UpgradeOps {
public:
    bool environment = true;
    bool removeQueues = true;
    bool refresh = true;
    bool spoolerStops = true;
    std::deque<std::uint32_t> deleteEx;     // answers of DeleteDriverEx; 0 when empty
    std::deque<std::uint32_t> deletePlain;  // answers of DeleteDriverPlain; 0 when empty
    std::deque<bool> listed;                // answers of DriverListed; false when empty
    std::vector<std::string> calls;

    void Trace(const char* text) override { calls.push_back(std::string("trace:") + text); }
    bool HasDriverEnvironment() override { return environment; }
    bool StartService(UpgradeService service) override {
        calls.push_back(Name("start", service));
        return true;
    }
    bool StopService(UpgradeService service) override {
        calls.push_back(Name("stop", service));
        return service == UpgradeService::companion || spoolerStops;
    }
    void CollectUpgradePrinters() override { calls.push_back("collect"); }
    bool RemovePrinterQueues() override {
        calls.push_back("removeQueues");
        return removeQueues;
    }
    void Wait(std::uint32_t ms) override { calls.push_back("wait" + std::to_string(ms)); }
    std::uint32_t DeleteDriverEx(bool specificVersion) override {
        calls.push_back(specificVersion ? "deleteExSpecific" : "deleteEx");
        return Next(deleteEx);
    }
    std::uint32_t DeleteDriverPlain() override {
        calls.push_back("deletePlain");
        return Next(deletePlain);
    }
    bool DriverListed() override {
        calls.push_back("listed?");
        if (listed.empty()) return false;
        const bool value = listed.front();
        listed.pop_front();
        return value;
    }
    void RunCommand(const char16_t* commandLine) override {
        calls.push_back("run:" +
                        std::string(commandLine, commandLine + std::char_traits<char16_t>::length(commandLine)));
    }
    bool RefreshDriverFiles() override {
        calls.push_back("refresh");
        return refresh;
    }
    bool ReinstallPrinters() override {
        calls.push_back("reinstall");
        return true;
    }
    void ShowDriverInUse() override { calls.push_back("driverInUseBox"); }

    int Count(const std::string& call) const {
        int n = 0;
        for (const std::string& c : calls) n += c == call;
        return n;
    }
    bool Has(const std::string& call) const { return Count(call) > 0; }

private:
    static std::string Name(const char* verb, UpgradeService service) {
        return std::string(verb) + (service == UpgradeService::spooler ? ":spooler" : ":devhubsrv");
    }
    static std::uint32_t Next(std::deque<std::uint32_t>& answers) {
        if (answers.empty()) return 0;
        const std::uint32_t value = answers.front();
        answers.pop_front();
        return value;
    }
};

TEST(UpgradeTarget, DriverNameIgnoresLetterCase) {
    EXPECT_TRUE(IsUpgradeTargetDriver(u"tavolen mx-410", u"Tavolen MX-410"));
    EXPECT_TRUE(IsUpgradeTargetDriver(u"TAVOLEN MX-410", u"Tavolen MX-410"));
    EXPECT_FALSE(IsUpgradeTargetDriver(u"Tavolen MX-4100", u"Tavolen MX-410"));
    EXPECT_FALSE(IsUpgradeTargetDriver(u"Tavolen MX-420", u"Tavolen MX-410"));
    EXPECT_FALSE(IsUpgradeTargetDriver(u"", u"Tavolen MX-410"));
}

// ---------------------------------------------------------------------------------------------
// DeleteUpgradeDriver

struct DeleteCase {
    const char* name;
    std::deque<std::uint32_t> deleteEx, deletePlain;
    bool spoolerStops;
    bool result;
    std::vector<std::string> calls;
};

class DeleteUpgradeDriverTest : public testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteUpgradeDriverTest, AnswersAndSteps) {
    const DeleteCase& c = GetParam();
    ScriptedOps ops;
    ops.deleteEx = c.deleteEx;
    ops.deletePlain = c.deletePlain;
    ops.spoolerStops = c.spoolerStops;
    std::vector<std::string> calls;
    EXPECT_EQ(DeleteUpgradeDriver(ops), c.result);
    for (const std::string& call : ops.calls)
        if (call.rfind("trace:", 0) != 0) calls.push_back(call);
    EXPECT_EQ(calls, c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DeleteUpgradeDriverTest,
    testing::Values(
        DeleteCase{"deleted", {0}, {}, true, true, {"deleteEx"}},
        DeleteCase{"nothing_to_delete", {kErrorUnknownPrinterDriver}, {}, true, true, {"deleteEx"}},
        DeleteCase{"other_error", {5}, {}, true, false, {"deleteEx"}},
        // A spooler that refuses the flags (Wine) gets the deletion without them.
        DeleteCase{
            "flags_refused_plain_deletes", {kErrorInvalidParameter}, {0}, true, true, {"deleteEx", "deletePlain"}},
        DeleteCase{
            "flags_refused_plain_fails", {kErrorInvalidParameter}, {5}, true, false, {"deleteEx", "deletePlain"}},
        DeleteCase{"flags_refused_plain_unknown",
                   {kErrorInvalidParameter},
                   {kErrorUnknownPrinterDriver},
                   true,
                   true,
                   {"deleteEx", "deletePlain"}},
        // In use: spooler restarted, a pause, the specific-version deletion, the box on success.
        DeleteCase{"in_use_then_deleted",
                   {kErrorPrinterDriverInUse, 0},
                   {},
                   true,
                   true,
                   {"deleteEx", "stop:spooler", "start:spooler", "wait2000", "deleteExSpecific", "driverInUseBox"}},
        DeleteCase{"in_use_still_failing",
                   {kErrorPrinterDriverInUse, kErrorPrinterDriverInUse},
                   {},
                   true,
                   false,
                   {"deleteEx", "stop:spooler", "start:spooler", "wait2000", "deleteExSpecific"}},
        DeleteCase{"in_use_spooler_refuses_stop",
                   {kErrorPrinterDriverInUse, 0},
                   {},
                   false,
                   true,
                   {"deleteEx", "stop:spooler", "wait2000", "deleteExSpecific", "driverInUseBox"}},
        DeleteCase{"in_use_then_flags_refused",
                   {kErrorPrinterDriverInUse, kErrorInvalidParameter},
                   {0},
                   true,
                   true,
                   {"deleteEx", "stop:spooler", "start:spooler", "wait2000", "deleteExSpecific", "deletePlain",
                    "driverInUseBox"}}),
    [](const testing::TestParamInfo<DeleteCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// UninstallPrinters

TEST(UninstallPrinters, StopsPassingOnceTheDriverIsGone) {
    ScriptedOps ops;
    ops.listed = {true, true, false};
    EXPECT_TRUE(UninstallPrinters(ops));
    EXPECT_EQ(ops.Count("deleteEx"), 3);
    EXPECT_EQ(ops.Count("listed?"), 3);
}

TEST(UninstallPrinters, GivesUpAfterFivePassesWithTheQueueResult) {
    for (const bool queuesRemoved : {true, false}) {
        ScriptedOps ops;
        ops.removeQueues = queuesRemoved;
        ops.listed = {true, true, true, true, true, true, true};
        EXPECT_EQ(UninstallPrinters(ops), queuesRemoved);
        EXPECT_EQ(ops.Count("deleteEx"), 5);
        EXPECT_EQ(ops.Has("trace:Failed to uninstall printers"), !queuesRemoved);
    }
}

TEST(UninstallPrinters, RetriesAFailedDeletionOnceAfterASecond) {
    ScriptedOps ops;
    ops.deleteEx = {5, 0};
    EXPECT_TRUE(UninstallPrinters(ops));
    const std::vector<std::string> expected = {"removeQueues", "wait1000", "deleteEx",
                                               "wait1000",     "deleteEx", "listed?"};
    EXPECT_EQ(ops.calls, expected);

    ScriptedOps failing;
    failing.deleteEx = {5, 5};
    EXPECT_FALSE(UninstallPrinters(failing));
    EXPECT_TRUE(failing.Has("trace:Failed to uninstall printer driver"));
    EXPECT_EQ(failing.Count("listed?"), 0);
}

// ---------------------------------------------------------------------------------------------
// RunUpgradeProcedure

TEST(RunUpgradeProcedure, UnknownArchitectureTouchesNoService) {
    ScriptedOps ops;
    ops.environment = false;
    EXPECT_FALSE(RunUpgradeProcedure(ops));
    const std::vector<std::string> expected = {"trace:Entering upgrade mode", "trace:Unsupported system architecture"};
    EXPECT_EQ(ops.calls, expected);
}

TEST(RunUpgradeProcedure, FullRunInOrder) {
    ScriptedOps ops;
    EXPECT_TRUE(RunUpgradeProcedure(ops));
    const std::vector<std::string> expected = {
        "trace:Entering upgrade mode",
        "start:spooler",
        "trace:Spooler service is started.",
        "collect",
        "removeQueues",
        "wait1000",
        "deleteEx",
        "listed?",
        "trace:UninstallPrinters is OK.",
        "run:net stop devhubsrv",
        "run:taskkill /f /im devhubtray.exe",
        "run:taskkill /f /im devhubsrv.exe",
        "stop:devhubsrv",
        "trace:devhubsrv service is stopped.",
        "stop:spooler",
        "trace:Spooler service is stopped.",
        "refresh",
        // The spooler runs again before the queues are added through it.
        "start:spooler",
        "trace:Spooler service is started.",
        "reinstall",
        "start:devhubsrv",
        "trace:devhubsrv service is started.",
    };
    EXPECT_EQ(ops.calls, expected);
}

struct FailureCase {
    const char* name;
    std::deque<std::uint32_t> deleteEx;
    bool refresh;
    bool companionStopped;  // the commands and the stops ran
    bool reinstalled;
};

class UpgradeFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(UpgradeFailureTest, LeavesOutWhatDependsOnTheFailedStep) {
    const FailureCase& c = GetParam();
    ScriptedOps ops;
    ops.deleteEx = c.deleteEx;
    ops.refresh = c.refresh;
    EXPECT_TRUE(RunUpgradeProcedure(ops));
    EXPECT_EQ(ops.Has("stop:devhubsrv"), c.companionStopped);
    EXPECT_EQ(ops.Count("run:net stop devhubsrv"), c.companionStopped ? 1 : 0);
    EXPECT_EQ(ops.Has("reinstall"), c.reinstalled);
    EXPECT_EQ(ops.Has("trace:ReinstallPrinters is failed."), !c.companionStopped);
    // The companion service is started again in every case, and last.
    EXPECT_EQ(ops.calls[ops.calls.size() - 2], "start:devhubsrv");
    // Whatever happened, a stopped spooler is started again.
    if (ops.Has("stop:spooler")) {
        const auto stop = std::find(ops.calls.begin(), ops.calls.end(), "stop:spooler");
        EXPECT_NE(std::find(stop, ops.calls.end(), "start:spooler"), ops.calls.end());
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, UpgradeFailureTest,
                         testing::Values(FailureCase{"driver_not_deleted", {5, 5}, true, false, false},
                                         FailureCase{"refresh_failed", {}, false, true, false},
                                         FailureCase{"all_fine", {}, true, true, true}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelno
