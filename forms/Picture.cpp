#include "forms/Picture.h"

#include <cmath>

#include "forms/Runtime.h"

namespace forms {

Picture Picture::FromResource(const char* name, std::optional<COLORREF> transparentKey) {
    OwnedBitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageA(App::Instance(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) throw RuntimeError(kErrInvalidPicture, std::string("Invalid picture: ") + name);
    return FromBitmap(std::move(bitmap), transparentKey);
}

Picture Picture::FromBitmap(OwnedBitmap bitmap, std::optional<COLORREF> transparentKey) {
    BITMAP info{};
    if (!bitmap || !::GetObjectA(bitmap.Get(), sizeof info, &info)) Raise(kErrInvalidPicture);
    auto data = std::make_shared<Data>();
    data->kind = Kind::Bitmap;
    data->width = info.bmWidth;
    data->height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    data->bitmap = std::move(bitmap);
    data->key = transparentKey;
    Picture picture;
    picture.data_ = std::move(data);
    return picture;
}

Picture Picture::FromIcon(OwnedIcon icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon.Get(), &info)) Raise(kErrInvalidPicture);
    // GetIconInfo hands us copies of the icon's bitmaps; they are ours to delete.
    OwnedBitmap color(info.hbmColor);
    OwnedBitmap mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectA(color ? color.Get() : mask.Get(), sizeof bm, &bm);
    auto data = std::make_shared<Data>();
    data->kind = Kind::Icon;
    data->width = bm.bmWidth;
    data->height = color ? bm.bmHeight : bm.bmHeight / 2;
    data->icon = std::move(icon);
    Picture picture;
    picture.data_ = std::move(data);
    return picture;
}

void Picture::Draw(HDC dc, int x, int y) const {
    if (!data_) return;
    if (data_->kind == Kind::Icon) {
        ::DrawIconEx(dc, x, y, data_->icon.Get(), data_->width, data_->height, 0, nullptr,
                     DI_NORMAL);
        return;
    }
    OwnedDc source(::CreateCompatibleDC(dc));
    SelectGuard select(source.Get(), data_->bitmap.Get());
    if (data_->key) {
        ::GdiTransparentBlt(dc, x, y, data_->width, data_->height, source.Get(), 0, 0,
                            data_->width, data_->height, *data_->key);
    } else {
        ::BitBlt(dc, x, y, data_->width, data_->height, source.Get(), 0, 0, SRCCOPY);
    }
}

OwnedFont CreateFontFor(const FontSpec& font) {
    const int height = -static_cast<int>(std::lround(font.size * ScreenDpiY() / 72.0));
    return OwnedFont(::CreateFontA(height, 0, 0, 0, font.weight, font.italic, font.underline,
                                   font.strikethrough, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, font.face.c_str()));
}

}  // namespace forms
