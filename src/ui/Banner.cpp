#include "ui/Banner.h"

#include <ole2.h>
#include <oleacc.h>
#include <olectl.h>

#include "ResolvoVersion.h"
#include "ResourceIds.h"
#include "win32/Accessibility.h"
#include "win32/WindowObject.h"

namespace resolvo::ui {

namespace {

// What the picture shows, for a screen reader to say.
constexpr const wchar_t* BannerName = L"" RESOLVO_PRODUCT_NAME ", DNS error fix";

// The bytes of a resource, copied into memory that a stream can own.
win32::UniqueGlobal CopyResource(HINSTANCE instance, int id, DWORD& size) noexcept {
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    size = found != nullptr ? ::SizeofResource(instance, found) : 0;
    if (bytes == nullptr || size == 0) {
        return {};
    }
    win32::UniqueGlobal copy(::GlobalAlloc(GMEM_MOVEABLE, size));
    void* target = copy ? ::GlobalLock(copy.Get()) : nullptr;
    if (target == nullptr) {
        return {};
    }
    ::CopyMemory(target, bytes, size);
    ::GlobalUnlock(copy.Get());
    return copy;
}

win32::ComPtr<IPicture> DecodeResource(HINSTANCE instance, int id) noexcept {
    DWORD size = 0;
    win32::UniqueGlobal bytes = CopyResource(instance, id, size);
    win32::ComPtr<IStream> stream;
    if (!bytes || FAILED(::CreateStreamOnHGlobal(bytes.Get(), TRUE, stream.Put()))) {
        return {};
    }
    bytes.Release();  // the stream frees it now
    win32::ComPtr<IPicture> picture;
    if (FAILED(::OleLoadPicture(stream.Get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                                picture.PutVoid()))) {
        return {};
    }
    return picture;
}

void DrawFocus(HWND window, HDC dc, RECT area) noexcept;

void OnPaint(HWND window) noexcept {
    const win32::PaintDC dc(window);
    RECT client{};
    ::GetClientRect(window, &client);
    const auto* banner = win32::AttachedObject<const BannerImage>(window, GWLP_USERDATA);
    if (banner != nullptr) {
        banner->Draw(dc.Get(), client);
    } else {
        ::FillRect(dc.Get(), &client, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    DrawFocus(window, dc.Get(), client);
}

// The box shows that it has the focus, unless Windows hides focus until the
// keyboard is used and it has not been yet.
void DrawFocus(HWND window, HDC dc, RECT area) noexcept {
    const auto uiState = static_cast<UINT>(::SendMessageW(window, WM_QUERYUISTATE, 0, 0));
    if (::GetFocus() == window && (uiState & UISF_HIDEFOCUS) == 0) {
        ::InflateRect(&area, -1, -1);
        ::DrawFocusRect(dc, &area);
    }
}

LRESULT CALLBACK BannerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_PAINT:
            OnPaint(window);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the banner covers the whole box
        case WM_LBUTTONDOWN:
            ::SetFocus(window);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            ::InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_UPDATEUISTATE:
            ::DefWindowProcW(window, message, wParam, lParam);
            ::InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_GETOBJECT:
            if (const LRESULT object =
                    win32::AnswerAccessibleObject(window, wParam, lParam, BannerName, ROLE_SYSTEM_GRAPHIC)) {
                return object;
            }
            return ::DefWindowProcW(window, message, wParam, lParam);
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

BannerImage::BannerImage(HINSTANCE instance) noexcept : picture_(DecodeResource(instance, IDR_BANNER)) {}

void BannerImage::Draw(HDC dc, const RECT& area) const noexcept {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (!picture_ || FAILED(picture_->get_Width(&width)) || FAILED(picture_->get_Height(&height))) {
        ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    // Smooth scaling when the display is not at 96 DPI.
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    picture_->Render(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0, height,
                     width, -height, &area);
}

bool RegisterBannerClass(HINSTANCE instance) noexcept {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = BannerProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = BannerClass;
    return ::RegisterClassW(&windowClass) != 0;
}

void ShowBanner(HWND bannerBox, const BannerImage& banner) noexcept {
    win32::AttachObject(bannerBox, GWLP_USERDATA, &banner);
    ::InvalidateRect(bannerBox, nullptr, FALSE);
}

}  // namespace resolvo::ui
