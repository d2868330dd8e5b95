// An elevated program that starts a browser with CreateProcess hands it its
// administrator token. The documented way round it is to ask the desktop's
// own shell window, which runs as the desktop user, to start the program:
// IShellWindows::FindWindowSW(SWC_DESKTOP) -> IShellBrowser -> IShellView ->
// IShellFolderViewDual -> IShellDispatch2::ShellExecute.
#include "win32/DesktopShell.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>

#include "win32/Handles.h"

namespace resolvo::win32 {

namespace {

// A VARIANT that owns what it holds.
class Variant {
public:
    Variant() noexcept { ::VariantInit(&value_); }
    explicit Variant(long number) noexcept : Variant() {
        value_.vt = VT_I4;
        value_.lVal = number;
    }
    explicit Variant(const std::wstring& text) noexcept : Variant() {
        value_.bstrVal = ::SysAllocString(text.c_str());
        value_.vt = value_.bstrVal != nullptr ? VT_BSTR : VT_EMPTY;
    }
    ~Variant() { ::VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* Get() noexcept { return &value_; }
    const VARIANT& operator*() const noexcept { return value_; }

private:
    VARIANT value_;
};

template <typename Interface>
HRESULT QueryInterfaceOf(IUnknown* object, ComPtr<Interface>& result) noexcept {
    return object->QueryInterface(__uuidof(Interface), result.PutVoid());
}

// The shell's automation object, reached through the desktop's view.
HRESULT DesktopShellDispatch(ComPtr<IShellDispatch2>& dispatch, DWORD& shellProcess) noexcept {
    ComPtr<IShellWindows> windows;
    HRESULT result = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                        windows.PutVoid());
    Variant desktop(static_cast<long>(CSIDL_DESKTOP));
    Variant empty;
    long window = 0;
    ComPtr<IDispatch> found;
    if (SUCCEEDED(result)) {
        result = windows->FindWindowSW(desktop.Get(), empty.Get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                                       found.Put());
    }
    if (result == S_FALSE || (SUCCEEDED(result) && !found)) {
        result = E_FAIL;  // no desktop window: no Explorer shell
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    if (SUCCEEDED(result)) {
        result = QueryInterfaceOf(found.Get(), services);
    }
    if (SUCCEEDED(result)) {
        result = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.PutVoid());
    }
    if (SUCCEEDED(result)) {
        result = browser->QueryActiveShellView(view.Put());
    }
    if (SUCCEEDED(result)) {
        result = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid());
    }
    if (SUCCEEDED(result)) {
        result = QueryInterfaceOf(background.Get(), folderView);
    }
    if (SUCCEEDED(result)) {
        result = folderView->get_Application(application.Put());
    }
    if (SUCCEEDED(result)) {
        result = QueryInterfaceOf(application.Get(), dispatch);
    }
    if (SUCCEEDED(result)) {
        ::GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<LONG_PTR>(window)), &shellProcess);
    }
    return result;
}

}  // namespace

HRESULT ShellExecuteAsDesktopUser(const std::wstring& file, const std::wstring& parameters) noexcept {
    ComPtr<IShellDispatch2> shell;
    DWORD shellProcess = 0;
    const HRESULT found = DesktopShellDispatch(shell, shellProcess);
    if (FAILED(found)) {
        return found;
    }
    // Explorer may then hand the foreground on to the program it starts.
    if (shellProcess != 0) {
        ::AllowSetForegroundWindow(shellProcess);
    }
    const UniqueHandle<BSTR, &::SysFreeString> name(::SysAllocString(file.c_str()));
    if (!name) {
        return E_OUTOFMEMORY;
    }
    Variant arguments(parameters);
    Variant folder;
    Variant verb(std::wstring(L"open"));
    Variant show(static_cast<long>(SW_SHOWNORMAL));
    return shell->ShellExecute(name.Get(), *arguments, *folder, *verb, *show);
}

}  // namespace resolvo::win32
