// The server module: the switches, the question before closing with live objects, and the
// registry entries that Tarvel.exe writes and deletes (checked in the prefix's registry, with a
// copy of the program in a folder whose name has a blank).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Tarvel/host/server.h"
#include "com/module.h"
#include "tests/support/tarvel_process.h"

namespace {

const std::string kClsidKey = "CLSID\\{DF9C6FB5-5475-4621-AE26-D1073A92932F}";
const std::string kLibKey = "TypeLib\\{81658B84-069A-4756-992E-69DBF8602650}\\1.0";

TEST(Switches, DashOrSlashThenTheNameInAnyCase) {
    using host::HasSwitch;
    EXPECT_TRUE(HasSwitch({"/RegServer"}, "REGSERVER"));
    EXPECT_TRUE(HasSwitch({"-regserver"}, "REGSERVER"));
    EXPECT_TRUE(HasSwitch({"settings.set", "-rEgSeRvEr"}, "REGSERVER"));
    EXPECT_FALSE(HasSwitch({"RegServer"}, "REGSERVER"));
    EXPECT_FALSE(HasSwitch({"/RegServerX"}, "REGSERVER"));
    EXPECT_FALSE(HasSwitch({"//RegServer"}, "REGSERVER"));
    EXPECT_FALSE(HasSwitch({"/"}, "REGSERVER"));
    EXPECT_FALSE(HasSwitch({}, "AUTOMATION"));
    EXPECT_TRUE(HasSwitch({"/Automation"}, "AUTOMATION"));
    EXPECT_TRUE(HasSwitch({"x", "y", "-EMBEDDING"}, "EMBEDDING"));
}

struct Asked {
    std::string text, caption;
    UINT flags = 0;
    int count = 0;
    int answer = IDNO;
};
Asked g_asked;
int Ask(const char* text, const char* caption, UINT flags) {
    g_asked.text = text;
    g_asked.caption = caption;
    g_asked.flags = flags;
    ++g_asked.count;
    return g_asked.answer;
}

TEST(TerminationCheck, AsksOnlyWhileObjectsLiveAndEndsOnlyOnYes) {
    g_asked = {};
    ASSERT_EQ(0, com::ModuleLockCount());
    EXPECT_TRUE(host::TerminationCheck(Ask));
    EXPECT_EQ(0, g_asked.count);

    com::ModuleLock();
    EXPECT_FALSE(host::TerminationCheck(Ask));
    EXPECT_EQ(1, g_asked.count);
    EXPECT_EQ("COM Server Warning", g_asked.caption);
    EXPECT_EQ("There are still active COM objects in this application.  One or more clients may have references "
              "to these objects, so manually closing this application may cause those client application(s) to "
              "fail.\r\n\r\nAre you sure you want to close this application?",
              g_asked.text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TASKMODAL), g_asked.flags);
    g_asked.answer = IDYES;
    EXPECT_TRUE(host::TerminationCheck(Ask));
    com::ModuleUnlock();
}

// Tarvel.exe copied into a folder with a blank in its name; the original is registered again
// at the end, so the prefix is left as it was.
class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "tarvel reg " + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        copy = folder + "Tarvel.exe";
        ASSERT_TRUE(CopyFileA(TARVEL_EXE, copy.c_str(), FALSE));
        char shortPath[MAX_PATH] = {};
        ASSERT_NE(0u, GetShortPathNameA(copy.c_str(), shortPath, MAX_PATH));
        shortCopy = shortPath;
        ASSERT_EQ(std::string::npos, shortCopy.find(' '));
    }
    void TearDown() override {
        EXPECT_EQ(0u, RunProgram("\"" + std::string(TARVEL_EXE) + "\" /RegServer", true));
        WaitNoProcess("Tarvel.exe", 10000);
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    DWORD RunCopy(const std::string& args) { return RunProgram("\"" + copy + "\" " + args, true); }
    static std::string LocalServer() { return ClassesRootValue(kClsidKey + "\\LocalServer32", nullptr); }

    std::string folder, copy, shortCopy;
};

TEST_F(Registration, RegServerWritesEveryEntryWithTheShortPath) {
    ASSERT_EQ(0u, RunCopy("-regSERVER"));
    EXPECT_EQ(shortCopy + " /Automation", LocalServer());
    EXPECT_EQ("LM Object", ClassesRootValue(kClsidKey, nullptr));
    EXPECT_EQ("Apartment", ClassesRootValue(kClsidKey + "\\LocalServer32", "ThreadingModel"));
    EXPECT_EQ("Dravo.LM", ClassesRootValue(kClsidKey + "\\ProgID", nullptr));
    EXPECT_EQ("1.0", ClassesRootValue(kClsidKey + "\\Version", nullptr));
    EXPECT_EQ("{81658B84-069A-4756-992E-69DBF8602650}", ClassesRootValue(kClsidKey + "\\Typelib", nullptr));
    EXPECT_EQ("LM Object", ClassesRootValue("Dravo.LM", nullptr));
    EXPECT_EQ("{DF9C6FB5-5475-4621-AE26-D1073A92932F}", ClassesRootValue("Dravo.LM\\CLSID", nullptr));
    // The type library: from the module file name as Windows gives it, help folder beside it.
    EXPECT_EQ(copy, ClassesRootValue(kLibKey + "\\409\\win32", nullptr));
    EXPECT_EQ(folder, ClassesRootValue(kLibKey + "\\HELPDIR", nullptr));
    EXPECT_EQ("{81658B84-069A-4756-992E-69DBF8602650}",
              ClassesRootValue("Interface\\{9D2E5B77-9367-424E-A3AF-C65CB3FE6075}\\TypeLib", nullptr));
    EXPECT_TRUE(ProcessesNamed("Tarvel.exe").empty());  // no window, no server: the process ended
}

TEST_F(Registration, UnregServerDeletesTheKeysAndKeepsTheTypeLibrary) {
    ASSERT_EQ(0u, RunCopy("/RegServer"));
    ASSERT_EQ(0u, RunCopy("/UnregServer"));
    EXPECT_FALSE(ClassesRootKeyExists(kClsidKey));
    EXPECT_FALSE(ClassesRootKeyExists("Dravo.LM"));
    EXPECT_TRUE(ClassesRootKeyExists(kLibKey));
    // Unregistering what is not there ends the same way.
    EXPECT_EQ(0u, RunCopy("/UnregServer"));
    // Both switches: registration wins.
    ASSERT_EQ(0u, RunCopy("/UnregServer /RegServer"));
    EXPECT_EQ(shortCopy + " /Automation", LocalServer());
    EXPECT_TRUE(ClassesRootKeyExists("Dravo.LM\\CLSID"));
}

// Closes the program's window once no object lives; waits for its end.
bool CloseAndWait(HANDLE process) {
    DWORD pid = GetProcessId(process);
    for (int i = 0; i < 200; ++i) {
        struct Find {
            DWORD pid;
            HWND hwnd;
        } f{pid, nullptr};
        EnumWindows(
            [](HWND h, LPARAM lp) WINAPI -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                DWORD p = 0;
                GetWindowThreadProcessId(h, &p);
                if (p == f->pid && IsWindowVisible(h)) {
                    f->hwnd = h;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&f));
        if (f.hwnd) {
            PostMessageA(f.hwnd, WM_CLOSE, 0, 0);
            return WaitForSingleObject(process, 15000) == WAIT_OBJECT_0;
        }
        Sleep(50);
    }
    return false;
}

TEST_F(Registration, APlainStartRegistersAgainAndEmbeddingDoesNot) {
    ASSERT_EQ(0u, RunProgram("\"" + std::string(TARVEL_EXE) + "\" /RegServer", true));
    const std::string original = LocalServer();

    HANDLE raw = nullptr;
    RunProgram("\"" + copy + "\" -Embedding", false, &raw);
    com::unique_handle embedded(raw);
    Sleep(500);
    EXPECT_EQ(original, LocalServer());
    EXPECT_TRUE(CloseAndWait(embedded.get()));

    RunProgram("\"" + copy + "\"", false, &raw);
    com::unique_handle plain(raw);
    DWORD start = GetTickCount();
    while (LocalServer() == original && GetTickCount() - start < 10000) Sleep(50);
    EXPECT_EQ(shortCopy + " /Automation", LocalServer());
    EXPECT_TRUE(CloseAndWait(plain.get()));
    DWORD code = 1;
    GetExitCodeProcess(plain.get(), &code);
    EXPECT_EQ(0u, code);
}

}  // namespace
