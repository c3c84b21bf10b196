// The COM chain the servers rely on: a local server started by COM in its own process, called
// through its vtable and late-bound across processes, ending after its last release; and an
// in-process DLL created by class id.
#include <gtest/gtest.h>
#include <windows.h>
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "com/handle.h"
#include "harness.h"

using com::com_ptr;

namespace {

constexpr DWORD kAllContexts = 21;  // in-process, local and remote server

class HarnessTest : public ::testing::Test {
protected:
    com::CoInitGuard init_;
};

long CallAddLateBound(IHarness* obj, long a, long b) {
    OLECHAR name[] = L"Add";
    LPOLESTR names[] = {name};
    DISPID id = -1;
    EXPECT_EQ(S_OK, obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    VARIANT args[2];  // in reverse order
    args[0].vt = VT_I4; args[0].lVal = b;
    args[1].vt = VT_I4; args[1].lVal = a;
    DISPPARAMS params{args, nullptr, 2, 0};
    com::unique_variant result;
    EXPECT_EQ(S_OK, obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(),
                                nullptr, nullptr));
    EXPECT_EQ(VT_I4, result->vt);
    return result->lVal;
}

}  // namespace

TEST(Platform, AnsiCodePageIsBaltic) {
    EXPECT_EQ(1257u, ::GetACP());
    char upper[] = "\xA8\xAA\xAF";
    ::CharLowerBuffA(upper, 3);
    EXPECT_STREQ("\xB8\xBA\xBF", upper);
}

TEST_F(HarnessTest, LocalServerAcrossProcessesEndsAfterLastRelease) {
    ASSERT_TRUE(init_.ok());
    com_ptr<IHarness> obj;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_HarnessLocal, nullptr, kAllContexts, IID_IHarness, obj.put_void()));

    long pid = 0;
    ASSERT_EQ(S_OK, obj->ProcessId(&pid));
    EXPECT_NE(static_cast<long>(::GetCurrentProcessId()), pid);

    long sum = -1;
    EXPECT_EQ(S_OK, obj->Add(40, 2, &sum));
    EXPECT_EQ(42, sum);
    EXPECT_EQ(-7, CallAddLateBound(obj.get(), -10, 3));

    // Lithuanian 8-bit text survives the trip through BSTRs and the marshaler.
    const std::string word = "\xE0\xE8\xF0\xFE \xC0\xC8\xD0\xDE";
    com::unique_bstr in = com::ToBstr(word);
    com::unique_bstr out;
    ASSERT_EQ(S_OK, obj->Echo(in.get(), out.put()));
    EXPECT_EQ(word, com::FromBstr(out.get()));

    long isNull = -1;
    EXPECT_EQ(S_OK, obj->IsNull(nullptr, &isNull));
    EXPECT_EQ(1, isNull);
    com::unique_bstr empty = com::ToBstr("");
    EXPECT_EQ(S_OK, obj->IsNull(empty.get(), &isNull));
    EXPECT_EQ(0, isNull);

    com::unique_handle process(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
    ASSERT_TRUE(process.valid());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(process.get(), 0));
    obj.reset();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(process.get(), 15000));
}

TEST_F(HarnessTest, InprocServerCreatedByClassId) {
    com_ptr<IHarness> obj;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_HarnessInproc, nullptr, kAllContexts, IID_IHarness, obj.put_void()));
    long pid = 0;
    ASSERT_EQ(S_OK, obj->ProcessId(&pid));
    EXPECT_EQ(static_cast<long>(::GetCurrentProcessId()), pid);
    EXPECT_EQ(5, CallAddLateBound(obj.get(), 2, 3));
}
