#include <gtest/gtest.h>
#include <cstdlib>
#include "Tarvel/engine/calls.h"
#include "Tarvel/engine/servers.h"
#include "com/error.h"
#include "com/handle.h"
#include "fake_components.h"
#include "fake_creator.h"
#include "forms/exception.h"

using engine::DebugAnswer;
using fakes::CallLog;
using Calls = std::vector<std::string>;

namespace {

const std::string Press = "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug";
constexpr HRESULT NoMessageCode = static_cast<HRESULT>(0xA0001234);

TEST(DebugCheck, SuccessPassesSilently) {
    fakes::ScopedDebugAnswer answer(DebugAnswer::Yes);
    EXPECT_EQ(engine::DebugCheck(S_FALSE, "call", "x.cpp", 1), S_FALSE);
    EXPECT_TRUE(engine::DebugCheckRef(reinterpret_cast<void*>(1), "x.cpp", 1));
    EXPECT_TRUE(engine::TakeDebugReports().empty());
}

TEST(DebugCheck, FailureTextNamesCallMessageFileAndLine) {
    fakes::ScopedDebugAnswer answer(DebugAnswer::No);
    std::string message = com::SystemMessage(E_INVALIDARG);
    ASSERT_FALSE(message.empty());
    EXPECT_EQ(engine::DebugCheck(E_INVALIDARG, "this->Load(Param1, (long*)&Param2)", "/src/dir/model.cpp", 42),
              E_INVALIDARG);
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, "HRCHECK: ");
    EXPECT_EQ(reports[0].text, "'this->Load(Param1, (long*)&Param2)': " + message + " @ model.cpp/42" + Press);
}

TEST(DebugCheck, CodeWithoutSystemMessageIsShownInHexAndDecimal) {
    fakes::ScopedDebugAnswer answer(DebugAnswer::No);
    ASSERT_TRUE(com::SystemMessage(NoMessageCode).empty());
    engine::DebugCheck(NoMessageCode, "Create(intfObj)", "servers.cpp", 7);
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, "(Create(intfObj)) Error: A0001234 (-1610608076) @ servers.cpp/7" + Press);
}

TEST(DebugCheck, YesRaisesTheReportText) {
    fakes::ScopedDebugAnswer answer(DebugAnswer::Yes);
    try {
        engine::DebugCheck(NoMessageCode, "call", "a.cpp", 3);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "(call) Error: A0001234 (-1610608076) @ a.cpp/3");
    }
}

TEST(DebugCheck, CancelWithoutDebuggerGoesOnAsNo) {
    fakes::ScopedDebugAnswer answer(DebugAnswer::Cancel);
    EXPECT_EQ(engine::DebugCheck(E_FAIL, "call", "a.cpp", 3), E_FAIL);
    EXPECT_FALSE(engine::DebugCheckRef(nullptr, "a.cpp", 4));
    EXPECT_EQ(engine::TakeDebugReports().size(), 2u);
}

TEST(DebugCheck, EmptyReferenceIsAnAssertion) {
    fakes::ScopedDebugAnswer answer(DebugAnswer::No);
    EXPECT_FALSE(engine::DebugCheckRef(nullptr, "C:\\src\\calls.cpp", 19));
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, "_ASSERTE: ");
    EXPECT_EQ(reports[0].text, "intf != 0 @ calls.cpp/19" + Press);

    engine::SetDebugAnswer(DebugAnswer::Yes);
    try {
        engine::DebugCheckRef(nullptr, "calls.cpp", 19);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "intf != 0 failed - calls.cpp/19");
    }
}

TEST(DebugCheck, EnvironmentSetsTheAnswerWhenNoneIsSetInProcess) {
    engine::SetDebugAnswer(DebugAnswer::Ask);
    _putenv("TARVEL_HRCHECK=cancel");
    EXPECT_EQ(engine::CurrentDebugAnswer(), DebugAnswer::Cancel);
    _putenv("TARVEL_HRCHECK=YES");
    EXPECT_EQ(engine::CurrentDebugAnswer(), DebugAnswer::Yes);
    engine::SetDebugAnswer(DebugAnswer::No);  // in-process setting wins
    EXPECT_EQ(engine::CurrentDebugAnswer(), DebugAnswer::No);
    engine::SetDebugAnswer(DebugAnswer::Ask);
    _putenv("TARVEL_HRCHECK=");
    EXPECT_EQ(engine::CurrentDebugAnswer(), DebugAnswer::Ask);
}

// A server that COM started shows no box (nobody would answer it): the report is logged and
// the check goes on as after No; TARVEL_HRCHECK=ask brings the box back.
TEST(DebugCheck, AProcessNobodyWatchesLogsTheReportAndGoesOnAsNo) {
    engine::SetDebugAnswer(DebugAnswer::Ask);
    _putenv("TARVEL_HRCHECK=");
    std::vector<std::string> logged;
    engine::SetUnattended([&](const std::string& report) { logged.push_back(report); });
    EXPECT_EQ(engine::DebugCheck(E_FAIL, "call", "a.cpp", 3), E_FAIL);  // a box would block here
    EXPECT_FALSE(engine::DebugCheckRef(nullptr, "a.cpp", 4));
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].rfind("HRCHECK: 'call': ", 0), 0u) << logged[0];
    EXPECT_EQ(logged[1], "_ASSERTE: intf != 0 @ a.cpp/4");
    _putenv("TARVEL_HRCHECK=ask");
    EXPECT_EQ(engine::CurrentDebugAnswer(), DebugAnswer::Ask);
    _putenv("TARVEL_HRCHECK=");
    engine::SetUnattended(nullptr);
    EXPECT_EQ(engine::CurrentDebugAnswer(), DebugAnswer::Ask);
    engine::TakeDebugReports();
}

// A process started with TARVEL_HRCHECK answers by it and never blocks on the box.
DWORD RunProbe(const char* answer) {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string exe(path, n);
    exe = exe.substr(0, exe.find_last_of('\\') + 1) + "hrcheck_probe.exe";
    _putenv_s("TARVEL_HRCHECK", answer);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL started = ::CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    _putenv("TARVEL_HRCHECK=");
    if (!started) return 100;
    com::unique_handle process(pi.hProcess), thread(pi.hThread);
    if (::WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) {
        ::TerminateProcess(pi.hProcess, 99);
        return 99;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    return code;
}

TEST(DebugCheck, ProcessesTakeTheAnswerFromTheEnvironment) {
    EXPECT_EQ(RunProbe("no"), 0u);
    EXPECT_EQ(RunProbe("cancel"), 0u);
    EXPECT_EQ(RunProbe("yes"), 2u);
}

class Creation : public ::testing::Test {
protected:
    CallLog log;
    fakes::FakeCreator creator{log};
    fakes::ScopedCreator scoped{creator};
    fakes::ScopedDebugAnswer answer{DebugAnswer::No};
};

TEST_F(Creation, AllContextsFirst) {
    auto kn = fakes::Make<fakes::FakeKN>(log);
    creator.Provide(CLSID_Dravo, kn.get());
    com::com_ptr<IKN> holder;
    EXPECT_EQ(engine::CreateComponent(CLSID_Dravo, IID_IKN, holder), S_OK);
    EXPECT_EQ(holder.get(), static_cast<IKN*>(kn.get()));
    EXPECT_EQ(log.calls, (Calls{"Create(Dravo,21)"}));
    EXPECT_TRUE(engine::TakeDebugReports().empty());
}

TEST_F(Creation, InvalidArgumentRetriesOnceWithLocalContexts) {
    auto wc = fakes::Make<fakes::FakeWC>(log);
    creator.Provide(CLSID_Vasko, wc.get());
    creator.Fail(CLSID_Vasko, E_INVALIDARG, 21);
    com::com_ptr<IWC> holder;
    EXPECT_EQ(engine::CreateComponent(CLSID_Vasko, IID_IWC, holder), S_OK);
    EXPECT_TRUE(holder);
    EXPECT_EQ(log.calls, (Calls{"Create(Vasko,21)", "Create(Vasko,5)"}));
}

TEST_F(Creation, FailureIsReportedAndLeavesTheHolderEmpty) {
    auto old = fakes::Make<fakes::FakeCache>(log);
    com::com_ptr<ICache> holder(old.get());
    old = nullptr;
    creator.Fail(CLSID_Pirto, E_INVALIDARG);
    EXPECT_EQ(engine::CreateComponent(CLSID_Pirto, IID_ICache, holder), E_INVALIDARG);
    EXPECT_FALSE(holder);
    EXPECT_EQ(log.calls, (Calls{"Create(Pirto,21)", "Create(Pirto,5)", "ICache.Release"}));
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, "HRCHECK: ");
    EXPECT_EQ(reports[0].text.rfind("'Create(intfObj)': ", 0), 0u) << reports[0].text;
}

TEST_F(Creation, OtherFailuresAreNotRetried) {
    creator.Fail(CLSID_Gorta, REGDB_E_CLASSNOTREG);
    com::com_ptr<ICMU> holder;
    EXPECT_EQ(engine::CreateComponent(CLSID_Gorta, IID_ICMU, holder), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(log.calls, (Calls{"Create(Gorta,21)"}));
    EXPECT_EQ(engine::TakeDebugReports().size(), 1u);
}

TEST_F(Creation, AnInstalledCreatorLivesWhileHeldAndItsEndGivesBackTheOneBefore) {
    CallLog other;
    std::shared_ptr<engine::ComponentCreator> held;
    {
        engine::CreatorInstallation installed(std::make_shared<fakes::FakeCreator>(other));
        held = engine::CurrentComponentCreator();  // as a creation on another thread holds it
    }
    com::com_ptr<ICMU> holder;
    EXPECT_EQ(engine::CreateComponent(CLSID_Gorta, IID_ICMU, holder), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(log.calls, (Calls{"Create(Gorta,21)"}));
    void* out = nullptr;
    EXPECT_EQ(held->CreateInstance(CLSID_Gorta, 21, IID_ICMU, &out), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(other.calls, (Calls{"Create(Gorta,21)"}));
}

TEST_F(Creation, YesOnAFailedCreationRaises) {
    engine::SetDebugAnswer(DebugAnswer::Yes);
    auto old = fakes::Make<fakes::FakeZA>(log);
    com::com_ptr<IZA> holder(old.get());
    old = nullptr;
    creator.Fail(CLSID_Morvek, REGDB_E_CLASSNOTREG);
    EXPECT_THROW(engine::CreateComponent(CLSID_Morvek, IID_IZA, holder), Exception);
    EXPECT_FALSE(holder);  // the previous analyzer is released, not kept
}

TEST_F(Creation, ProviderByProgIdWithoutRetryOrReport) {
    com::com_ptr<ILMIProvider> provider;
    creator.Fail(CLSID_NULL, E_INVALIDARG);
    EXPECT_EQ(engine::CreateProviderRaw(IID_ILMIProvider, provider.put_void()), E_INVALIDARG);
    EXPECT_FALSE(provider);
    EXPECT_EQ(log.calls, (Calls{"CLSIDFromProgID(Fenno.LMIProvider)", "Create(CLSID_NULL,21)"}));
    EXPECT_TRUE(engine::TakeDebugReports().empty());

    log.Clear();
    auto fake = fakes::Make<fakes::FakeProvider>(log);
    creator.Provide(CLSID_Fenno, fake.get());
    creator.RegisterProvider();
    EXPECT_EQ(engine::CreateProviderRaw(IID_ILMIProvider, provider.put_void()), S_OK);
    EXPECT_EQ(provider.get(), static_cast<ILMIProvider*>(fake.get()));
    EXPECT_EQ(log.calls, (Calls{"CLSIDFromProgID(Fenno.LMIProvider)", "Create(Fenno,21)"}));
}

TEST(RealCreation, UnregisteredClassIsReported) {
    fakes::ScopedDebugAnswer answer(DebugAnswer::No);
    const CLSID unknown = {0x1b2c3d4e, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    com::com_ptr<IKN> holder;
    EXPECT_TRUE(FAILED(engine::CreateComponent(unknown, IID_IKN, holder)));
    EXPECT_FALSE(holder);
    EXPECT_EQ(engine::TakeDebugReports().size(), 1u);
}

// The checked calls: call text of a failing call, the answer it leaves, and empty references.
class Calls_ : public ::testing::Test {
protected:
    CallLog log;
    fakes::ScopedDebugAnswer answer{DebugAnswer::No};
};

TEST_F(Calls_, FailedCallIsReportedWithItsTextAndAnswersZero) {
    auto kn1 = fakes::Make<fakes::FakeKN1>(log);
    kn1->script.Answer("ProbabilityI4", 0.5);
    kn1->script.Fail("ProbabilityI4", E_FAIL);
    EXPECT_EQ(engine::call::ProbabilityI4(kn1.get(), 1, 2, 3, 4), 0.0);
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text.rfind("'this->ProbabilityI4(Param1, Param2, Param3, Param4, (double*)&Param5)': ", 0), 0u)
        << reports[0].text;
}

TEST_F(Calls_, InfoOnIsNotChecked) {
    auto cache = fakes::Make<fakes::FakeCache>(log);
    cache->script.Fail("InfoOn", E_FAIL);
    engine::call::InfoOn(cache.get(), 1);
    EXPECT_EQ(log.calls, (Calls{"ICache.InfoOn(1)"}));
    EXPECT_TRUE(engine::TakeDebugReports().empty());
}

TEST_F(Calls_, EmptyReferenceIsReportedAndNotCalled) {
    EXPECT_EQ(engine::call::GetWordID(static_cast<IWC*>(nullptr), "a"), 0);
    EXPECT_EQ(engine::call::PForma(static_cast<IZA*>(nullptr)), "");
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].caption, "_ASSERTE: ");
}

TEST_F(Calls_, AnalyzerTextsAndAbsentWords) {
    auto za = fakes::Make<fakes::FakeZA>(log);
    za->script.AnswerText("PForma", "namas");
    za->script.Answer("AnalyzeAll", 4);
    EXPECT_EQ(engine::call::AnalyzeAll(za.get(), nullptr), 4);
    EXPECT_EQ(engine::call::PForma(za.get()), "namas");
    EXPECT_EQ(log.calls, (Calls{"IZA.AnalyzeAll()", "IZA.PForma()"}));  // absent word: "" not null
}

}  // namespace
