// Pevra.dll as a caller meets it: created through the registry by class id, called through its
// vtable and late-bound, bound to the registered Tarvel.exe, its exports, and its registry entries
// (the test prefix registered it).
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include "Pevra.h"
#include "Tarvel.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "com/registration.h"
#include "dispatch.h"
#include "own_window.h"
#include "tests/support/tarvel_process.h"  // Tarvel.exe processes

using com::com_ptr;

namespace {

constexpr DWORD kAllContexts = 21;  // in-process, local and remote server
const char kClsidKey[] = "CLSID\\{B44C5D52-3045-452E-A4B9-488A8C8F4753}";

using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
using PlainFn = HRESULT(__stdcall*)();

// The value of HKCR\key (name empty: the default value); nullopt when the key or value is missing.
std::optional<std::string> RegistryValue(const std::string& key, const char* name = nullptr) {
    com::unique_hkey k;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS)
        return std::nullopt;
    char buf[1024] = {};
    DWORD size = sizeof buf - 1, type = 0;
    if (::RegQueryValueExA(k.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS)
        return std::nullopt;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << key;
    return std::string(buf);
}

std::string ModulePath(HMODULE m) {
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(m, path, MAX_PATH);
    return std::string(path, n);
}

std::string LastError(INolik* n) {
    com::unique_bstr text;
    EXPECT_EQ(S_OK, n->GetLastError(text.put()));
    return com::FromBstr(text.get());
}

std::string Best(INolik* n, long index) {
    com::unique_bstr word;
    EXPECT_EQ(S_OK, n->GetBest(index, word.put()));
    return com::FromBstr(word.get());
}

class Guard {
public:
    explicit Guard(std::function<void()> f) : f_(std::move(f)) {}
    ~Guard() { f_(); }

private:
    std::function<void()> f_;
};

class PevraDll : public ::testing::Test {
protected:
    void SetUp() override {
        // No box may wait for an answer when the server cannot be reached.
        _putenv("TARVEL_HRCHECK=no");
        ASSERT_TRUE(init.ok());
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_Nolik, nullptr, kAllContexts, IID_INolik, nolik.put_void()));
        module = ::GetModuleHandleA("Pevra.dll");
        ASSERT_NE(nullptr, module);
    }
    template <typename F>
    F Export(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }

    com::CoInitGuard init;
    com_ptr<INolik> nolik;
    HMODULE module = nullptr;
};

TEST_F(PevraDll, InitFindsTheVocabularyBesideTheRegisteredLibrary) {
    EXPECT_EQ("", LastError(nolik.get()));
    VARIANT_BOOL ok = 0;
    ASSERT_EQ(S_OK, nolik->Init(&ok));
    ASSERT_EQ(1, ok) << LastError(nolik.get());

    long r = 0;
    com::unique_bstr word = com::ToBstr(" NAMAS\t");
    ASSERT_EQ(S_OK, nolik->Analyze(word.get(), &r));
    EXPECT_EQ(1, r);
    com::unique_bstr nearest;
    ASSERT_EQ(S_OK, nolik->GetNearest(0, nearest.put()));
    EXPECT_EQ("namas", com::FromBstr(nearest.get()));
    double d = -5;
    ASSERT_EQ(S_OK, nolik->GetNearestValue(1, &d));
    EXPECT_DOUBLE_EQ(2.0, d);  // namai

    com::unique_bstr oak(::SysAllocString(L"\u0104\u017Euolas"));
    ASSERT_EQ(S_OK, nolik->InVocabulary(oak.get(), &r));
    EXPECT_EQ(1, r);
}

// The registered Tarvel.exe, started by COM for Pevra's first context check, loads Pevra's
// data\pevra.lm, and its probabilities re-rank the candidates.
TEST_F(PevraDll, ContextCheckBindsTheRegisteredServerAndReRanks) {
    ASSERT_TRUE(WaitNoProcess("Tarvel.exe", 15000)) << "a Tarvel.exe from before is still running";
    Guard stray([] {
        if (WaitNoProcess("Tarvel.exe", 15000)) return;
        ADD_FAILURE() << "Tarvel.exe still runs after its last client";
        for (DWORD id : ProcessesNamed("Tarvel.exe")) {  // started for this test: do not leave it
            com::unique_handle p(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (p.valid() && ::TerminateProcess(p.get(), 1)) ::WaitForSingleObject(p.get(), 5000);
        }
    });
    VARIANT_BOOL ok = 0;
    ASSERT_EQ(S_OK, nolik->Init(&ok));
    ASSERT_EQ(1, ok) << LastError(nolik.get());
    long r = 0;
    com::unique_bstr word = com::ToBstr("kalias"), first = com::ToBstr("labas"), second = com::ToBstr("namas");
    ASSERT_EQ(S_OK, nolik->Analyze(word.get(), &r));
    ASSERT_EQ(S_OK, nolik->CheckContext(first.get(), second.get(), &r));
    ASSERT_EQ(1, r) << LastError(nolik.get());
    EXPECT_EQ(1u, ProcessesNamed("Tarvel.exe").size());
    EXPECT_EQ("kalias", Best(nolik.get(), 0));  // at the weight 0.01 the nearest word stays first

    // Mostly the model: p(kelias | labas namas) = 0.79 against 0.1 for the word as typed.
    ASSERT_EQ(S_OK, nolik->SetStaModelValue(0.9));
    ASSERT_EQ(S_OK, nolik->CheckContext(first.get(), second.get(), &r));
    ASSERT_EQ(1, r) << LastError(nolik.get());
    EXPECT_EQ("kelias", Best(nolik.get(), 0));
    EXPECT_EQ("kalias", Best(nolik.get(), 1));
    nolik.reset();  // Pevra held the server's only client
}

TEST_F(PevraDll, LateBoundThroughTheProgId) {
    CLSID clsid{};
    ASSERT_EQ(S_OK, ::CLSIDFromProgID(L"Pevra.Nolik", &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_Nolik, clsid));
    com_ptr<IDispatch> obj;
    ASSERT_EQ(S_OK, ::CoCreateInstance(clsid, nullptr, kAllContexts, IID_IDispatch, obj.put_void()));

    LateCall init;
    CallLate(init, obj.get(), L"Init");
    ASSERT_EQ(S_OK, init.hr);
    ASSERT_EQ(VT_BOOL, init.result->vt);
    EXPECT_EQ(1, init.result->boolVal);

    com::unique_bstr word = com::ToBstr("kalias");
    LateCall analyze;
    CallLate(analyze, obj.get(), L"Analyze", {TextArg(word.get())});
    EXPECT_EQ(1, analyze.result->lVal);
    LateCall nearest;
    CallLate(nearest, obj.get(), L"GetNearest", {LongArg(0)});
    ASSERT_EQ(VT_BSTR, nearest.result->vt);
    EXPECT_EQ("kalias", com::FromBstr(nearest.result->bstrVal));
    LateCall again;
    CallLate(again, obj.get(), L"Init");
    EXPECT_EQ(0, again.result->boolVal);
    LateCall error;
    CallLate(error, obj.get(), L"GetLastError");
    EXPECT_EQ("Already initialized", com::FromBstr(error.result->bstrVal));
}

TEST_F(PevraDll, ClassObjectAndUnloading) {
    auto getClassObject = Export<GetClassObjectFn>("DllGetClassObject");
    auto canUnloadNow = Export<PlainFn>("DllCanUnloadNow");
    ASSERT_TRUE(getClassObject && canUnloadNow);

    EXPECT_EQ(E_POINTER, getClassObject(CLSID_Nolik, IID_IClassFactory, nullptr));
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(CLSID_LM, IID_IClassFactory, &other));
    EXPECT_EQ(nullptr, other);

    com_ptr<IClassFactory> a, b;
    ASSERT_EQ(S_OK, getClassObject(CLSID_Nolik, IID_IClassFactory, a.put_void()));
    ASSERT_EQ(S_OK, getClassObject(CLSID_Nolik, IID_IClassFactory, b.put_void()));
    EXPECT_EQ(a.get(), b.get());

    EXPECT_EQ(S_FALSE, canUnloadNow());  // the fixture's object
    com_ptr<INolik> second;
    ASSERT_EQ(S_OK, a->CreateInstance(nullptr, IID_INolik, second.put_void()));
    nolik.reset();
    EXPECT_EQ(S_FALSE, canUnloadNow());
    second.reset();
    EXPECT_EQ(S_OK, canUnloadNow());
    ASSERT_EQ(S_OK, a->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, canUnloadNow());
    ASSERT_EQ(S_OK, a->LockServer(FALSE));
    EXPECT_EQ(S_OK, canUnloadNow());
}

// An outer object that aggregates Nolik: it answers IUnknown itself and passes every other
// request to the inner object. It lives on the stack, so it only counts.
class Outer final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        if (inner) return inner->QueryInterface(riid, ppv);
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 1;
    com_ptr<IUnknown> inner;
};

TEST_F(PevraDll, AggregatedByAnOuterObject) {
    Outer outer;
    com_ptr<INolik> direct;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              ::CoCreateInstance(CLSID_Nolik, &outer, kAllContexts, IID_INolik, direct.put_void()));
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_Nolik, &outer, kAllContexts, IID_IUnknown, outer.inner.put_void()));
    EXPECT_EQ(1u, outer.refs);

    com_ptr<INolik> viaOuter;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_INolik, viaOuter.put_void()));
    EXPECT_EQ(2u, outer.refs);  // the inner object's interfaces count on the outer object
    com_ptr<IUnknown> identity;
    ASSERT_EQ(S_OK, viaOuter->QueryInterface(IID_IUnknown, identity.put_void()));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
    identity.reset();
    VARIANT_BOOL ok = 0;
    ASSERT_EQ(S_OK, viaOuter->Init(&ok));
    EXPECT_EQ(1, ok);
    viaOuter.reset();
    EXPECT_EQ(1u, outer.refs);

    auto canUnloadNow = Export<PlainFn>("DllCanUnloadNow");
    nolik.reset();
    EXPECT_EQ(S_FALSE, canUnloadNow());
    outer.inner.reset();  // the outer object's end ends the inner one
    EXPECT_EQ(S_OK, canUnloadNow());
}

TEST_F(PevraDll, RegistryEntries) {
    const std::string path = ModulePath(module);
    EXPECT_EQ("Nolik Object", RegistryValue(kClsidKey).value_or("<none>"));
    const auto inproc = RegistryValue(std::string(kClsidKey) + "\\InprocServer32");
    ASSERT_TRUE(inproc);
    EXPECT_EQ(0, _stricmp(path.c_str(), inproc->c_str())) << *inproc << " vs " << path;
    EXPECT_EQ("Apartment", RegistryValue(std::string(kClsidKey) + "\\InprocServer32", "ThreadingModel")
                               .value_or("<none>"));
    EXPECT_EQ("Pevra.Nolik", RegistryValue(std::string(kClsidKey) + "\\ProgID").value_or("<none>"));
    EXPECT_EQ("1.0", RegistryValue(std::string(kClsidKey) + "\\Version").value_or("<none>"));
    EXPECT_EQ("{AB371B8A-D661-4BB7-A948-806C96D32470}",
              RegistryValue(std::string(kClsidKey) + "\\Typelib").value_or("<none>"));
    EXPECT_EQ("Nolik Object", RegistryValue("Pevra.Nolik").value_or("<none>"));
    EXPECT_EQ("{B44C5D52-3045-452E-A4B9-488A8C8F4753}", RegistryValue("Pevra.Nolik\\CLSID").value_or("<none>"));

    com_ptr<ITypeLib> lib;
    ASSERT_EQ(S_OK, ::LoadRegTypeLib(LIBID_Pevra, 1, 0, 0x409, lib.put()));
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
    EXPECT_EQ(SYS_WIN32, attr->syskind);
    EXPECT_EQ(0x409u, attr->lcid);
    lib->ReleaseTLibAttr(attr);
    com::unique_bstr name, help;
    ASSERT_EQ(S_OK, lib->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr));
    EXPECT_EQ("Pevra", com::FromBstr(name.get()));
    EXPECT_EQ("Pevra Library", com::FromBstr(help.get()));
}

// Sets the threshold bar of the open settings dialog to 9 and presses "Gerai".
void CALLBACK ApplyThresholdNine(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = own_window::Find("Nustatymai");
    if (!dialog) return;
    ::KillTimer(nullptr, timer);
    HWND bar = nullptr, ok = nullptr;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {}, text[64] = {};
        ::GetClassNameA(child, cls, sizeof cls);
        ::GetWindowTextA(child, text, sizeof text);
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        if (!lstrcmpiA(cls, "msctls_trackbar32") && r.top > 100) bar = child;
        if (!lstrcmpA(text, "Gerai")) ok = child;
    }
    if (bar) {
        ::SendMessageA(bar, 0x405 /* TBM_SETPOS */, TRUE, 9);
        ::SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(4 /* TB_THUMBPOSITION */, 9), reinterpret_cast<LPARAM>(bar));
    }
    if (ok) ::SendMessageA(ok, BM_CLICK, 0, 0);
    else ::PostMessageA(dialog, WM_CLOSE, 0, 0);
}

TEST_F(PevraDll, SettingsDialogRunsModallyInsideTheCall) {
    HWND caller = ::CreateWindowExA(0, "STATIC", "caller", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(nullptr, caller);
    ASSERT_NE(0u, ::SetTimer(nullptr, 0, 30, ApplyThresholdNine));
    EXPECT_EQ(S_OK, nolik->OpenSettings(static_cast<long>(reinterpret_cast<LONG_PTR>(caller))));
    EXPECT_EQ(nullptr, own_window::Find("Nustatymai"));
    EXPECT_TRUE(::IsWindowEnabled(caller));
    double max = 0;
    EXPECT_EQ(S_OK, nolik->GetMaxValue(&max));
    EXPECT_EQ(9.0, max);
    ::DestroyWindow(caller);
}

TEST_F(PevraDll, WindowsOfTheDialogOutliveTheLastObjectSafely) {
    ASSERT_NE(0u, ::SetTimer(nullptr, 0, 30, ApplyThresholdNine));
    EXPECT_EQ(S_OK, nolik->OpenSettings(0));
    nolik.reset();
    ::CoFreeUnusedLibrariesEx(0, 0);
    ::CoFreeUnusedLibrariesEx(0, 0);
    // The library's window classes stay usable: it must not have been unloaded under them.
    EXPECT_NE(nullptr, ::GetModuleHandleA("Pevra.dll"));
    HWND queue = ::FindWindowExA(HWND_MESSAGE, nullptr, "FormsMainThreadQueue", nullptr);
    if (queue) ::SendMessageA(queue, WM_NULL, 0, 0);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
}

TEST_F(PevraDll, UnregisteredTheClassIsGoneButTheTypeLibraryStays) {
    auto doRegister = Export<PlainFn>("DllRegisterServer");
    auto doUnregister = Export<PlainFn>("DllUnregisterServer");
    ASSERT_TRUE(doRegister && doUnregister);
    Guard restore([&] { EXPECT_EQ(S_OK, doRegister()); });

    ASSERT_EQ(S_OK, doUnregister());
    EXPECT_FALSE(RegistryValue(kClsidKey));
    EXPECT_FALSE(RegistryValue("Pevra.Nolik"));
    com_ptr<ITypeLib> lib;
    EXPECT_EQ(S_OK, ::LoadRegTypeLib(LIBID_Pevra, 1, 0, 0x409, lib.put()));
    EXPECT_EQ(S_OK, doUnregister());  // nothing left to remove is no failure

    VARIANT_BOOL ok = 7;
    ASSERT_EQ(S_OK, nolik->Init(&ok));
    EXPECT_EQ(0, ok);
    EXPECT_EQ("Can not read registry\\CLSID\\{B44C5D52-3045-452E-A4B9-488A8C8F4753}\\InprocServer32",
              LastError(nolik.get()));

    ASSERT_EQ(S_OK, doRegister());
    ASSERT_EQ(S_OK, nolik->Init(&ok));  // a failed Init may be repeated
    EXPECT_EQ(1, ok);
}

// A copy of the library with its vocabulary in a folder of its own, loaded beside the original.
class LibraryCopy {
public:
    LibraryCopy(const std::string& original, const std::string& folder)
        : dir(std::filesystem::temp_directory_path() / (folder + " " + std::to_string(::GetCurrentProcessId()))) {
        namespace fs = std::filesystem;
        fs::create_directories(dir / "data");
        fs::copy_file(original, dir / "Pevra.dll", fs::copy_options::overwrite_existing);
        fs::copy_file(fs::path(original).parent_path() / "data" / "zodynas.voc", dir / "data" / "zodynas.voc",
                      fs::copy_options::overwrite_existing);
        path = (dir / "Pevra.dll").string();
    }
    ~LibraryCopy() {
        if (module) ::FreeLibrary(module);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    LibraryCopy(const LibraryCopy&) = delete;
    LibraryCopy& operator=(const LibraryCopy&) = delete;

    // Spoils the signature of the embedded type library, so that it can no longer be read.
    bool SpoilTypeLibrary() {
        std::string bytes;
        {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        size_t at = bytes.find("MSFT");
        if (at == std::string::npos) return false;
        bytes.replace(at, 4, "XXXX");
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return true;
    }
    template <typename F>
    F Export(const char* name) {
        if (!module) module = ::LoadLibraryA(path.c_str());
        return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
    }

    std::string path;
    HMODULE module = nullptr;

private:
    std::filesystem::path dir;
};

TEST_F(PevraDll, PathWithABlankIsRegisteredInItsShortForm) {
    LibraryCopy copy(ModulePath(module), "pevra blank");
    // Before the copy goes, so that the type library's registration never names a missing file.
    Guard restore([&] { EXPECT_EQ(S_OK, Export<PlainFn>("DllRegisterServer")()); });

    char shortPath[MAX_PATH] = {};
    if (!::GetShortPathNameA(copy.path.c_str(), shortPath, MAX_PATH) || std::string(shortPath).find(' ') != std::string::npos)
        GTEST_SKIP() << "no short form of a path with a blank here";
    auto copyRegister = copy.Export<PlainFn>("DllRegisterServer");
    ASSERT_NE(nullptr, copyRegister);
    ASSERT_NE(module, copy.module);
    ASSERT_EQ(S_OK, copyRegister());

    const auto inproc = RegistryValue(std::string(kClsidKey) + "\\InprocServer32");
    ASSERT_TRUE(inproc);
    EXPECT_EQ(std::string::npos, inproc->find(' ')) << *inproc;
    EXPECT_EQ(0, _stricmp(shortPath, inproc->c_str())) << *inproc;

    // The engine finds its folder through that value.
    com_ptr<IClassFactory> factory;
    ASSERT_EQ(S_OK, copy.Export<GetClassObjectFn>("DllGetClassObject")(CLSID_Nolik, IID_IClassFactory, factory.put_void()));
    com_ptr<INolik> obj;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_INolik, obj.put_void()));
    VARIANT_BOOL ok = 0;
    ASSERT_EQ(S_OK, obj->Init(&ok));
    EXPECT_EQ(1, ok) << LastError(obj.get());
}

TEST_F(PevraDll, ALibraryWhoseTypeLibraryCannotBeReadChangesNoEntry) {
    const std::string original = ModulePath(module);
    LibraryCopy copy(original, "pevra spoilt");
    Guard restore([&] { EXPECT_EQ(S_OK, Export<PlainFn>("DllRegisterServer")()); });
    ASSERT_TRUE(copy.SpoilTypeLibrary());
    auto copyRegister = copy.Export<PlainFn>("DllRegisterServer");
    auto copyUnregister = copy.Export<PlainFn>("DllUnregisterServer");
    ASSERT_TRUE(copyRegister && copyUnregister);

    EXPECT_EQ(S_OK, copyUnregister());  // the answer all the same
    EXPECT_TRUE(ClassesRootKeyExists(kClsidKey));
    EXPECT_TRUE(ClassesRootKeyExists("Pevra.Nolik"));
    EXPECT_TRUE(FAILED(copyRegister()));
    EXPECT_EQ(0, _stricmp(original.c_str(),
                          RegistryValue(std::string(kClsidKey) + "\\InprocServer32").value_or("").c_str()));
}

TEST_F(PevraDll, RegistrationStopsAtTheFirstFailedWrite) {
    auto doRegister = Export<PlainFn>("DllRegisterServer");
    auto doUnregister = Export<PlainFn>("DllUnregisterServer");
    ASSERT_TRUE(doRegister && doUnregister);
    Guard restore([&] {
        com::DeleteClassesRootTree(kClsidKey);
        EXPECT_EQ(S_OK, doRegister());
    });
    ASSERT_EQ(S_OK, doUnregister());
    // No lasting key can be made under a volatile one: the class's description is written, its
    // InprocServer32 key is refused.
    com::unique_hkey classKey;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CLASSES_ROOT, kClsidKey, 0, nullptr, REG_OPTION_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, classKey.put(), nullptr));
    classKey.reset();

    EXPECT_EQ(SELFREG_E_CLASS, doRegister());
    EXPECT_EQ("Nolik Object", RegistryValue(kClsidKey).value_or("<none>"));
    EXPECT_FALSE(ClassesRootKeyExists("Pevra.Nolik"));  // no write after the failed one
}

TEST_F(PevraDll, LateBindingFindsTheTypeLibraryThroughTheRegistry) {
    auto doRegister = Export<PlainFn>("DllRegisterServer");
    ASSERT_NE(nullptr, doRegister);
    Guard restore([&] { EXPECT_EQ(S_OK, doRegister()); });
    ASSERT_EQ(S_OK, ::UnRegisterTypeLib(LIBID_Pevra, 1, 0, 0x409, SYS_WIN32));
    OLECHAR name[] = L"Init";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, nolik->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    ASSERT_EQ(S_OK, doRegister());
    EXPECT_EQ(0x60020000, DispIdOf(nolik.get(), L"Init"));
}

}  // namespace
