// The accessible object a window answers when its name or role are not the
// ones Windows would make up from its text and class.
//
// Windows' own object (CreateStdAccessibleObject) does everything else:
// where it lies, its state, its parent and children, focus and default
// action. Both functions are Active Accessibility's first ones, on every
// Windows since 98 and 2000, in Wine, and behind UI Automation's MSAA proxy,
// which Narrator uses. Dynamic Annotation (IAccPropServices::SetHwndPropStr)
// would say the same with less code, but it needs Active Accessibility 2.0,
// which not every Windows of the program's has, and Wine 8 answers it
// E_NOTIMPL: a screen reader there would hear nothing.
#include "win32/Accessibility.h"

#include <oleacc.h>

#include <new>
#include <string>
#include <utility>

#include "win32/Handles.h"
#include "win32/SystemFunction.h"

namespace resolvo::win32 {

namespace {

using CreateStandardFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using ResultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

// oleacc.dll is not among the DLLs Windows always takes from the system
// folder, so it is loaded from there at first use: a DLL of its name planted
// beside the program is never loaded, and the program does not import it at
// start.
class Oleacc {
public:
    Oleacc() noexcept
        : module_(LoadSystemLibrary(L"oleacc.dll")),
          createStandard_(Function<CreateStandardFunction>("CreateStdAccessibleObject")),
          resultFromObject_(Function<ResultFromObjectFunction>("LresultFromObject")) {}

    static const Oleacc& Instance() noexcept {
        static const Oleacc loaded;
        return loaded;
    }

    CreateStandardFunction CreateStandard() const noexcept { return createStandard_; }
    ResultFromObjectFunction ResultFromObject() const noexcept { return resultFromObject_; }

private:
    template <typename Pointer>
    Pointer Function(const char* name) const noexcept {
        return FunctionIn<Pointer>(module_.Get(), name);
    }

    UniqueModule module_;
    CreateStandardFunction createStandard_ = nullptr;
    ResultFromObjectFunction resultFromObject_ = nullptr;
};

bool IsSelf(const VARIANT& child) noexcept {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// Windows' object with another name and role. Its children, if any, are
// Windows' own and keep theirs. Like every COM object it is deleted only by
// its own Release, so its interfaces need no virtual destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class NamedAccessible final : public IAccessible, public IOleWindow {
public:
    NamedAccessible(ComPtr<IAccessible> standard, HWND window, const wchar_t* name, long role)
        : standard_(std::move(standard)), window_(window), name_(name), role_(role) {}
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    // IUnknown. Every interface handed out is this object's own: one of
    // Windows' object's would answer for that object, its own IUnknown and
    // name included. Without IEnumVARIANT, a client counts the children
    // through get_accChildCount and get_accChild; IOleWindow is answered
    // here, as a client that has none would look for the window among the
    // parents and find the desktop.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (id == IID_IUnknown || id == IID_IDispatch || id == AccessibleInterface) {
            *object = static_cast<IAccessible*>(this);
        } else if (id == IID_IOleWindow) {
            *object = static_cast<IOleWindow*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(::InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IOleWindow: the window the object stands for.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (window == nullptr) {
            return E_INVALIDARG;
        }
        *window = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument) override {
        return standard_->Invoke(member, id, locale, flags, parameters, result, exception, argument);
    }

    // IAccessible: the name and role of the window itself are this object's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child) || name == nullptr) {
            return standard_->get_accName(child, name);
        }
        *name = ::SysAllocString(name_.c_str());
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child) || role == nullptr || role_ == 0) {
            return standard_->get_accRole(child, role);
        }
        ::VariantInit(role);
        role->vt = VT_I4;
        role->lVal = role_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** found) override {
        return standard_->get_accChild(child, found);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
        return standard_->get_accHelp(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ComPtr<IAccessible> standard_;
    HWND window_;
    std::wstring name_;
    long role_;
    LONG references_ = 1;
};
#pragma GCC diagnostic pop

}  // namespace

LRESULT AnswerAccessibleObject(HWND window, WPARAM flags, LPARAM objectId, const wchar_t* name,
                               long role) noexcept {
    const auto object = static_cast<LONG>(static_cast<DWORD>(objectId));
    const Oleacc& oleacc = Oleacc::Instance();
    if ((object != OBJID_CLIENT && object != OBJID_WINDOW) || oleacc.CreateStandard() == nullptr ||
        oleacc.ResultFromObject() == nullptr) {
        return 0;
    }
    ComPtr<IAccessible> standard;
    if (FAILED(oleacc.CreateStandard()(window, object, AccessibleInterface, standard.PutVoid()))) {
        return 0;
    }
    // The frame of a window keeps its role; the name is that of the window.
    NamedAccessible* named = nullptr;
    try {
        named = new NamedAccessible(std::move(standard), window, name, object == OBJID_CLIENT ? role : 0);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    // The result holds a reference of its own; a failure, a negative one, is
    // no answer.
    const LRESULT result =
        oleacc.ResultFromObject()(AccessibleInterface, flags, static_cast<IAccessible*>(named));
    named->Release();
    return result > 0 ? result : 0;
}

}  // namespace resolvo::win32
