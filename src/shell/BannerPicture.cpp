#include "shell/BannerPicture.h"

#include <ole2.h>
#include <olectl.h>

#include "ResourceIds.h"

namespace resolvo::shell {

namespace {

IPicture* DecodeResource(HINSTANCE instance, int id) noexcept {
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    const DWORD size = found != nullptr ? ::SizeofResource(instance, found) : 0;
    if (bytes == nullptr || size == 0) {
        return nullptr;
    }
    // The stream frees its own copy of the bytes when it is released.
    const HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = copy != nullptr ? ::GlobalLock(copy) : nullptr;
    if (target == nullptr) {
        if (copy != nullptr) {
            ::GlobalFree(copy);
        }
        return nullptr;
    }
    ::CopyMemory(target, bytes, size);
    ::GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        ::GlobalFree(copy);
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(::OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&picture)))) {
        picture = nullptr;
    }
    stream->Release();
    return picture;
}

void OnPaint(HWND window) noexcept {
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(window, &paint);
    RECT client{};
    ::GetClientRect(window, &client);
    const auto* banner = reinterpret_cast<const BannerImage*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (banner != nullptr) {
        banner->Draw(dc, client);
    } else {
        ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    ::EndPaint(window, &paint);
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
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

BannerImage::BannerImage(HINSTANCE instance) noexcept : picture_(DecodeResource(instance, IDR_BANNER)) {}

BannerImage::~BannerImage() {
    if (picture_ != nullptr) {
        picture_->Release();
    }
}

void BannerImage::Draw(HDC dc, const RECT& area) const noexcept {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (picture_ == nullptr || FAILED(picture_->get_Width(&width)) || FAILED(picture_->get_Height(&height))) {
        ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    // Smooth scaling when the display is not at 96 DPI.
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    picture_->Render(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0, height,
                     width, -height, &area);
}

bool RegisterBannerPicture(HINSTANCE instance) noexcept {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = BannerProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = BannerPictureClass;
    return ::RegisterClassW(&windowClass) != 0;
}

void ShowBanner(HWND pictureBox, const BannerImage& banner) noexcept {
    ::SetWindowLongPtrW(pictureBox, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&banner));
    ::InvalidateRect(pictureBox, nullptr, FALSE);
}

}  // namespace resolvo::shell
