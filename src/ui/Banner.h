#pragma once

#include <ocidl.h>
#include <windows.h>

#include "win32/Handles.h"

namespace resolvo::ui {

// The banner JPEG held in the program's resources, decoded once.
class BannerImage {
public:
    explicit BannerImage(HINSTANCE instance) noexcept;

    // Stretches the banner over the rectangle, or fills it plain if the
    // image could not be decoded.
    void Draw(HDC dc, const RECT& area) const noexcept;

private:
    win32::ComPtr<IPicture> picture_;
};

// The window class of the box showing the banner. The box takes the focus
// like a control but does nothing with keys.
inline constexpr const wchar_t* BannerClass = L"ResolvoBanner";

bool RegisterBannerClass(HINSTANCE instance) noexcept;
// The box draws the banner, which must outlive the box's window.
void ShowBanner(HWND bannerBox, const BannerImage& banner) noexcept;

}  // namespace resolvo::ui
