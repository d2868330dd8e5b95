// The accessible object that names a window, as a screen reader in this
// process reaches it: through Active Accessibility's own functions. (The name
// and role it gives, a reader in another process hears in the end-to-end
// suite.)
#include "win32/Accessibility.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <windows.h>

#include "win32/Handles.h"

namespace resolvo::win32 {
namespace {

constexpr wchar_t Name[] = L"A window named for screen readers";

LRESULT CALLBACK NamedWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETOBJECT) {
        if (const LRESULT answer =
                AnswerAccessibleObject(window, wParam, lParam, Name, ROLE_SYSTEM_GRAPHIC)) {
            return answer;
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

ComPtr<IUnknown> IdentityOf(IUnknown* object) {
    ComPtr<IUnknown> identity;
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    return identity;
}

class NamedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = NamedWindowProcedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"ResolvoNamedTestWindow";
        ::RegisterClassW(&windowClass);
        window.Reset(::CreateWindowExW(0, windowClass.lpszClassName, L"caption", WS_OVERLAPPEDWINDOW, 0, 0,
                                       300, 200, nullptr, nullptr, windowClass.hInstance, nullptr));
        ASSERT_TRUE(window);
        ::CreateWindowExW(0, L"STATIC", L"child", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, window.Get(),
                          nullptr, nullptr, nullptr);
        ASSERT_EQ(::AccessibleObjectFromWindow(window.Get(), static_cast<DWORD>(OBJID_CLIENT),
                                               AccessibleInterface, accessible.PutVoid()),
                  S_OK);
    }
    void TearDown() override {
        accessible.Reset();
        window.Reset();
        ::CoUninitialize();
    }

    UniqueWindow window;
    ComPtr<IAccessible> accessible;
};

// Every interface it hands out leads back to it: one of Windows' object's
// would answer for that object, its IUnknown and its name included.
TEST_F(NamedWindow, HandsOutOnlyInterfacesOfItsOwn) {
    const ComPtr<IUnknown> identity = IdentityOf(accessible.Get());
    ComPtr<IOleWindow> oleWindow;
    ASSERT_EQ(accessible->QueryInterface(IID_IOleWindow, oleWindow.PutVoid()), S_OK);
    EXPECT_EQ(IdentityOf(oleWindow.Get()).Get(), identity.Get());
    HWND answered = nullptr;
    EXPECT_EQ(oleWindow->GetWindow(&answered), S_OK);
    EXPECT_EQ(answered, window.Get());

    void* enumerator = &enumerator;
    EXPECT_EQ(accessible->QueryInterface(IID_IEnumVARIANT, &enumerator), E_NOINTERFACE);
    EXPECT_EQ(enumerator, nullptr);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(accessible->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
    EXPECT_EQ(IdentityOf(dispatch.Get()).Get(), identity.Get());
}

// What a screen reader asks through those interfaces still comes out right:
// the object's children are the window's.
TEST_F(NamedWindow, LeadsToItsChildren) {
    long count = 0;
    ASSERT_EQ(accessible->get_accChildCount(&count), S_OK);
    ASSERT_EQ(count, 1);
    VARIANT child{};
    long obtained = 0;
    ASSERT_EQ(::AccessibleChildren(accessible.Get(), 0, 1, &child, &obtained), S_OK);
    EXPECT_EQ(obtained, 1);
    ::VariantClear(&child);
}

}  // namespace
}  // namespace resolvo::win32
