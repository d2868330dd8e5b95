#pragma once

#include <windows.h>

struct IPicture;

namespace resolvo::shell {

// The banner JPEG held in the program's resources, decoded once.
class BannerImage {
public:
    explicit BannerImage(HINSTANCE instance) noexcept;
    ~BannerImage();
    BannerImage(const BannerImage&) = delete;
    BannerImage& operator=(const BannerImage&) = delete;

    // Stretches the banner over the rectangle, or fills it plain if the
    // image could not be decoded.
    void Draw(HDC dc, const RECT& area) const noexcept;

private:
    IPicture* picture_ = nullptr;
};

// The window class of a picture box showing a banner. The box takes the
// focus like a control but does nothing with keys.
inline constexpr const wchar_t* BannerPictureClass = L"ResolvoBannerPicture";

bool RegisterBannerPicture(HINSTANCE instance) noexcept;
// The box draws the banner, which must outlive the box's window.
void ShowBanner(HWND pictureBox, const BannerImage& banner) noexcept;

}  // namespace resolvo::shell
