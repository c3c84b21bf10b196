// Fenno: started by COM in a process of its own from its ProgID, it hands out models whose
// answers equal those of the in-process components, and ends after its last object is released.
#include "com_calls.h"
// after windows.h
#include <tlhelp32.h>
#include <fstream>
#include <sstream>
#include "components.h"
#include "test_data.h"

namespace {

// Process ids of the running Fenno.exe processes.
std::vector<DWORD> FennoProcesses() {
    std::vector<DWORD> ids;
    com::unique_handle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap || snap.get() == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL more = ::Process32First(snap.get(), &e); more; more = ::Process32Next(snap.get(), &e))
        if (lstrcmpiA(e.szExeFile, "Fenno.exe") == 0) ids.push_back(e.th32ProcessID);
    return ids;
}

BSTR B(const Text& t) { return t; }

class FennoTest : public ComTest {
protected:
    com::com_ptr<ILMIProvider> Start() {
        CLSID clsid{};
        EXPECT_EQ(S_OK, ::CLSIDFromProgID(L"Fenno.LMIProvider", &clsid));
        EXPECT_EQ(CLSID_Fenno, clsid);
        com::com_ptr<ILMIProvider> p;
        EXPECT_EQ(S_OK, ::CoCreateInstance(clsid, nullptr, kAllContexts, IID_ILMIProvider, p.put_void()));
        return p;
    }
};

}  // namespace

TEST_F(FennoTest, KnModelInItsOwnProcessAnswersLikeDravo) {
    const size_t before = FennoProcesses().size();
    com::com_ptr<ILMIProvider> provider = Start();
    ASSERT_TRUE(provider);
    std::vector<DWORD> running = FennoProcesses();
    ASSERT_EQ(before + 1, running.size());
    com::unique_handle process(::OpenProcess(SYNCHRONIZE, FALSE, running.back()));
    ASSERT_TRUE(process.valid());

    LONG ok = -7;
    ASSERT_EQ(S_OK, VCall(provider.get(), 7, LONG{0}, &ok));
    ASSERT_EQ(1, ok);
    com::com_ptr<IKN> remote;
    ASSERT_EQ(S_OK, VCall(provider.get(), 8, remote.put()));
    ASSERT_TRUE(remote);
    ASSERT_EQ(S_OK, VCall(remote.get(), 7, B(Text(DataPath("kn.ini").c_str())), &ok));
    ASSERT_EQ(1, ok);

    auto local = Create<IKN>(CLSID_Dravo, IID_IKN);
    ASSERT_EQ(S_OK, VCall(local.get(), 7, B(Text(DataPath("kn.ini").c_str())), &ok));
    ASSERT_EQ(1, ok);
    const char* words[] = {"<s>", "a", "b", "c", "zz", ""};
    for (const char* w1 : words)
        for (const char* w3 : words) {
            float pr = -7, pl = -8;
            EXPECT_EQ(S_OK, VCall(remote.get(), 9, B(Text(w1)), B(Text("b")), B(Text(w3)), &pr));
            EXPECT_EQ(S_OK, VCall(local.get(), 9, B(Text(w1)), B(Text("b")), B(Text(w3)), &pl));
            EXPECT_EQ(pl, pr) << w1 << " b " << w3;
        }
    for (LONG i = -1; i <= 6; ++i) {
        float pr = -7, pl = -8;
        EXPECT_EQ(S_OK, VCall(remote.get(), 10, LONG{3}, i, LONG{5}, &pr));
        EXPECT_EQ(S_OK, VCall(local.get(), 10, LONG{3}, i, LONG{5}, &pl));
        EXPECT_EQ(pl, pr);
    }
    LONG id = -7;
    EXPECT_EQ(S_OK, VCall(remote.get(), 11, B(Text("c")), &id));
    EXPECT_EQ(5, id);

    // The model keeps the server alive after the provider goes; the last release ends it.
    provider.reset();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(process.get(), 300));
    float p = -7;
    EXPECT_EQ(S_OK, VCall(remote.get(), 10, LONG{3}, LONG{4}, LONG{5}, &p));
    EXPECT_NEAR(0.891250938, p, 1e-6);
    remote.reset();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(process.get(), 15000));
}

TEST_F(FennoTest, ModifiedKnModelAndWrongKinds) {
    com::com_ptr<ILMIProvider> provider = Start();
    ASSERT_TRUE(provider);
    com::unique_variant r;
    ASSERT_EQ(S_OK, LateCall(provider.get(), L"Init", {Var(7)}, r.put()));
    EXPECT_EQ(0, r->lVal);
    com::com_ptr<IKN1> kn1;
    EXPECT_NE(S_OK, VCall(provider.get(), 9, kn1.put()));  // nothing made yet
    EXPECT_FALSE(kn1);

    ASSERT_EQ(S_OK, LateCall(provider.get(), L"Init", {Var(1)}, r.put()));
    EXPECT_EQ(1, r->lVal);
    com::com_ptr<IKN> kn;
    EXPECT_NE(S_OK, VCall(provider.get(), 8, kn.put()));  // Init(1) makes no KN model
    ASSERT_EQ(S_OK, VCall(provider.get(), 9, kn1.put()));
    ASSERT_TRUE(kn1);
    LONG ok = -7;
    ASSERT_EQ(S_OK, VCall(kn1.get(), 7, B(Text(DataPath("kn1.ini").c_str())), &ok));
    ASSERT_EQ(1, ok);
    double p = -7;
    EXPECT_EQ(S_OK, VCall(kn1.get(), 13, LONG{1}, LONG{3}, LONG{4}, LONG{4}, &p));
    EXPECT_NEAR(0.125892541, p, 1e-7);
    EXPECT_EQ(S_OK, VCall(kn1.get(), 14, B(Text("<s>")), B(Text("x")), B(Text("y")), B(Text("x")), &p));
    EXPECT_NEAR(0.891250938, p, 1e-7);
    EXPECT_EQ(S_OK, VCall(kn1.get(), 7, B(Text(DataPath("absent.ini").c_str())), &ok));
    EXPECT_EQ(0, ok);

    // The reason is kept where a user finds it: Fenno's standard error, a file beside it.
    std::string errors = std::string("Z:") + FENNO_DIR + "/Fenno.stderr.txt";
    for (char& c : errors)
        if (c == '/') c = '\\';
    std::ostringstream text;
    text << std::ifstream(errors, std::ios::binary).rdbuf();
    EXPECT_NE(std::string::npos, text.str().find("Zemra: Can not open file: " + DataPath("absent.ini")))
        << errors << ": " << text.str();
}
