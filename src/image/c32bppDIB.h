// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codecs/DecodedImageSink.h"
#include "image/PixelView.h"
#include "platform/file/Error.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

// The one in-memory image: 32-bit pixels B, G, R, A with colour premultiplied by alpha, rows of
// Width x 4 bytes without padding, stored bottom-up, owned by a bitmap that drawing calls can use.
namespace picture {
class Picture;
}

class c32bppDIB final : public DecodedImageSink {
  public:
    // Capability flags.
    static constexpr unsigned kUseAlphaBlend = 1;
    static constexpr unsigned kGdiPlusEnabled = 2;
    static constexpr unsigned kAlphaBlendExists = 8;
    static constexpr unsigned kLegacyPlatform = 16;
    static constexpr unsigned kNoGdiPlus = 32;

    c32bppDIB();
    ~c32bppDIB();
    c32bppDIB(const c32bppDIB&) = delete;
    c32bppDIB& operator=(const c32bppDIB&) = delete;

    bool InitializeDIB(int Width, int Height);
    void DestroyDIB() override;
    void EraseDIB();
    gdi::HDC LoadDIBinDC(bool bLoad);

    bool ManageOwnDC() const { return m_ManageOwnDC; }
    void SetManageOwnDC(bool value);
    int Width() const { return m_Width; }
    int Height() const { return m_Height; }
    gdi::HBITMAP Handle() const { return m_Bitmap.Get(); }
    std::uint8_t* BitsPointer() const { return m_Bits; }
    // Every pixel byte, bottom row first; empty without a picture.
    std::span<std::uint8_t> PixelBytes() const {
        return {m_Bits, static_cast<std::size_t>(scanWidth()) * static_cast<std::size_t>(m_Height)};
    }
    int scanWidth() const { return m_Width * 4; }
    int ImageType() const { return m_ImageType; }
    void SetImageType(int value) { m_ImageType = value; }
    bool Alpha() const { return m_Alpha; }
    void SetAlpha(bool value) { m_Alpha = value; }
    bool HighQualityInterpolation() const { return m_HighQualityInterpolation; }
    void SetHighQualityInterpolation(bool value) { m_HighQualityInterpolation = value; }
    std::int32_t gdiToken() const { return m_gdiToken; }
    void SetgdiToken(std::int32_t value) { m_gdiToken = value; }
    bool isAlphaBlendFriendly() const { return (m_Flags & kUseAlphaBlend) != 0; }
    void SetisAlphaBlendFriendly(bool value);
    bool isGDIplusEnabled() const { return (m_Flags & kGdiPlusEnabled) != 0; }
    void SetisGDIplusEnabled(bool value);
    const std::vector<std::uint8_t>& OriginalFormat() const { return m_OriginalFormat; }
    void SetOriginalFormat(std::vector<std::uint8_t> bytes) { m_OriginalFormat = std::move(bytes); }

    // Draws onto a drawing context or, with destHostDIB, into another image. Sizes of 0 mean the
    // image's own; negative sizes mirror. Opacity in percent.
    bool Render(gdi::HDC destinationDC, int destX = 0, int destY = 0, int destWidth = 0,
                int destHeight = 0, int srcX = 0, int srcY = 0, int srcWidth = 0, int srcHeight = 0,
                int Opacity = 100, bool Blend = true, bool SetHalfTone = true,
                c32bppDIB* destHostDIB = nullptr, int grayScale = -1, float LightAdjustment = 0,
                float Angle = 0, bool CenterOnDestXY = false) const;
    bool Resize(int newWidth = 0, int newHeight = 0);
    void CopyImageTo(c32bppDIB& cDIBclass, int newWidth = 0, int newHeight = 0,
                     bool CopyOriginalFormat = false) const;

    // Loading: each discards the current picture first and is True when the image then holds
    // one. iconCx, iconCy and iconBitDepth choose among the images of an icon file; SaveFormat
    // keeps the encoded bytes as OriginalFormat.
    bool LoadPicture_File(const std::string& FileName, int iconCx, int iconCy, bool SaveFormat,
                          int iconBitDepth);
    // streamLength 0 means to the end; a range outside inStream loads nothing.
    bool LoadPicture_Stream(std::span<const std::uint8_t> inStream, int iconCx, int iconCy,
                            std::int64_t streamStart, std::int64_t streamLength, bool SaveFormat,
                            int iconBitDepth);
    // False, with the image untouched, when the clipboard offers no picture.
    bool LoadPicture_ClipBoard();
    bool LoadPicture_StdPicture(const picture::Picture* Picture);
    // Takes a decoder's pixels as the picture; false, holding none, when no bitmap can hold them.
    bool LoadPicture_Decoded(DecodedImage image) override;
    // Why the last load from a file or stream gave no picture; empty after a success and when
    // the file could not be opened.
    const std::optional<Error>& LoadError() const { return m_LoadError; }

    bool HavePixelsAlpha() const;
    bool RemoveAlpha();

  private:
    bool HoldBitmap(std::uint8_t* bits, int Width, int Height);
    bool ParseSourceData(int fileHandle, std::span<const std::uint8_t> stream, int& iconCx,
                         int& iconCy, std::int64_t& streamStart, std::int64_t& streamLength,
                         bool SaveFormat, int& iconBitDepth);
    std::optional<Error> DecodeStream(std::span<const std::uint8_t> stream, int iconCx, int iconCy,
                                      std::int64_t streamStart, std::int64_t& streamLength,
                                      int iconBitDepth);
    // A scalable image is drawn at width x height when both are given.
    std::optional<Error> LoadWithFallback(std::span<const std::uint8_t> stream, int width,
                                          int height);
    PixelView Pixels() const { return {m_Bits, m_Width, m_Height}; }
    void ReleaseOwnDC();
    void ScalePixels(int srcX, int srcY, int srcWidth, int srcHeight, const PixelView& target,
                     bool mirrorX, bool mirrorY) const;
    bool BlendPixels(const PixelView& source, int srcX, int srcY, int width, int height,
                     gdi::HDC destinationDC, int destX, int destY, c32bppDIB* destHostDIB,
                     std::uint8_t opacity) const;
    bool BlendIntoDC(const PixelView& source, int srcX, int srcY, int width, int height,
                     gdi::HDC destinationDC, int destX, int destY, std::uint8_t opacity) const;

    bool m_HighQualityInterpolation = false;
    gdi::UniqueGdiObject m_Bitmap;
    std::uint8_t* m_Bits = nullptr;
    int m_Height = 0;
    int m_Width = 0;
    gdi::UniqueGdiObject m_OwnDC;
    gdi::HBITMAP m_PreviousBitmap = 0;
    unsigned m_Flags = 0;
    int m_ImageType = 0;
    bool m_ManageOwnDC = false;
    bool m_Alpha = false;
    std::int32_t m_gdiToken = 0;
    std::vector<std::uint8_t> m_OriginalFormat;
    std::optional<Error> m_LoadError;
};
