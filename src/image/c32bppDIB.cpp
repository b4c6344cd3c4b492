// SPDX-License-Identifier: MIT
#include "image/c32bppDIB.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

#include "codecs/DecodedImage.h"
#include "codecs/cBMPparser.h"
#include "codecs/cGIFparser.h"
#include "codecs/cICOparser.h"
#include "codecs/cPNGparser.h"
#include "codecs/modParsers.h"
#include "image/PixelBlender.h"
#include "image/PixelScaler.h"
#include "platform/desktop/FallbackDecoder.h"
#include "platform/file/RegularFile.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/picture/ClipboardSource.h"
#include "platform/picture/Picture.h"

namespace {

// Neither the platform blend call nor GDI+ exists here: drawing always takes the own scaler and
// blender, and GDI+ is never probed.
constexpr unsigned kPlatformFlags = c32bppDIB::kNoGdiPlus;

// |value|, or 0 when it has none (the most negative int).
int Magnitude(int value) {
    return value == std::numeric_limits<int>::min() ? 0 : std::abs(value);
}

std::uint8_t OpacityByte(int opacity) {
    int percent = Magnitude(opacity) % 100;
    if (percent == 0) {
        percent = 100;
    }
    return static_cast<std::uint8_t>(percent * 255 / 100);
}

// A pixel block of the requested size, or none when it would be larger than any bitmap may be.
bool AllocateBlock(std::vector<std::uint8_t>& block, int width, int height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width < 1 || height < 1 || pixels > gdi::Bitmap::kMaxPixelBytes / 4) {
        return false;
    }
    block.assign(pixels * 4, 0);
    return true;
}

// Shorter sources hold no picture that any decoder reads.
constexpr std::int64_t kMinimumFileLength = 57;
constexpr std::int64_t kMinimumStreamLength = 57;
constexpr int kFallbackImageType = 10;

// A reason from a decoder that recognised its format says more than "not this format".
std::optional<Error> MoreTelling(const std::optional<Error>& first,
                                 const std::optional<Error>& second) {
    const bool firstKnewIt = first && first->Reason() != Error::Kind::NotThisFormat;
    return firstKnewIt ? first : second;
}

// A fallback decoder that failed or refused a size says more than one that did not know the
// format, which our decoders' reason then explains better.
bool FallbackTells(const Error& error) {
    return error.Reason() == Error::Kind::DecoderFailed || error.Reason() == Error::Kind::SizeLimit;
}

// Why a decoder gave no picture; empty when it gave one.
std::optional<Error> WhyNone(const DecodeOutcome& outcome) {
    return outcome.image ? std::nullopt : std::optional<Error>(outcome.image.Error());
}

void NormaliseIconRequest(int& iconCx, int& iconCy, int& iconBitDepth) {
    iconCx = std::max(iconCx, 0);
    iconCy = std::max(iconCy, 0);
    if (iconBitDepth < 0 || iconBitDepth > 32) {
        iconBitDepth = 32;
    }
}

}  // namespace

c32bppDIB::c32bppDIB() : m_Flags(kPlatformFlags) {
    SetisGDIplusEnabled(true);
    if (isGDIplusEnabled()) {
        m_HighQualityInterpolation = true;
    }
}

c32bppDIB::~c32bppDIB() {
    DestroyDIB();
}

bool c32bppDIB::InitializeDIB(int Width, int Height) {
    DestroyDIB();
    const int height = Magnitude(Height);
    if (Width < 0 || height == 0) {
        return false;
    }
    const std::uint64_t byteCount = static_cast<std::uint64_t>(Width) * height * 4;
    if (byteCount > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    gdi::BITMAPINFOHEADER header;
    header.biSize = 40;
    header.biWidth = Width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = gdi::BI_RGB;
    header.biSizeImage = static_cast<std::uint32_t>(byteCount);
    std::uint8_t* bits = nullptr;
    m_Bitmap.Reset(gdi::CreateDIBSection(header, {}, &bits));
    return HoldBitmap(bits, Width, height);
}

// The bitmap now in m_Bitmap, whose pixels start at bits, becomes the picture.
bool c32bppDIB::HoldBitmap(std::uint8_t* bits, int Width, int Height) {
    if (!m_Bitmap) {
        return false;
    }
    m_Bits = bits;
    if (m_ManageOwnDC && !m_OwnDC) {
        m_OwnDC.Reset(gdi::CreateCompatibleDC());
    }
    m_Width = Width;
    m_Height = Height;
    m_Alpha = true;
    m_ImageType = 0;
    return true;
}

void c32bppDIB::ReleaseOwnDC() {
    if (m_PreviousBitmap != 0) {
        gdi::SelectObject(m_OwnDC.Get(), m_PreviousBitmap);
        m_PreviousBitmap = 0;
    }
    m_OwnDC.Reset();
}

void c32bppDIB::DestroyDIB() {
    if (m_OwnDC) {
        ReleaseOwnDC();
    }
    if (m_Bitmap) {
        m_Bitmap.Reset();
        m_OriginalFormat.clear();
    }
    m_Width = 0;
    m_Height = 0;
    m_Bits = nullptr;
    m_PreviousBitmap = 0;
    m_Alpha = false;
    m_ImageType = -1;
}

void c32bppDIB::EraseDIB() {
    if (!m_Bitmap) {
        return;
    }
    std::memset(m_Bits, 0, static_cast<std::size_t>(scanWidth()) * m_Height);
    m_ImageType = 0;
    m_Alpha = true;
}

gdi::HDC c32bppDIB::LoadDIBinDC(bool bLoad) {
    if (bLoad) {
        if (!m_Bitmap) {
            return 0;
        }
        if (!m_OwnDC) {
            m_OwnDC.Reset(gdi::CreateCompatibleDC());
        }
        if (m_PreviousBitmap == 0) {
            m_PreviousBitmap = gdi::SelectObject(m_OwnDC.Get(), m_Bitmap.Get());
        }
        return m_OwnDC.Get();
    }
    if (m_PreviousBitmap != 0) {
        gdi::SelectObject(m_OwnDC.Get(), m_PreviousBitmap);
        m_PreviousBitmap = 0;
        if (!m_ManageOwnDC) {
            m_OwnDC.Reset();
        }
    }
    return 0;
}

void c32bppDIB::SetManageOwnDC(bool value) {
    if (!value && m_OwnDC) {
        ReleaseOwnDC();
    } else if (value && !m_OwnDC && m_Bitmap) {
        m_OwnDC.Reset(gdi::CreateCompatibleDC());
    }
    m_ManageOwnDC = value;
}

void c32bppDIB::SetisAlphaBlendFriendly(bool value) {
    if (!value) {
        m_Flags &= ~kUseAlphaBlend;
    } else if ((m_Flags & kAlphaBlendExists) != 0) {
        m_Flags |= kUseAlphaBlend;
    }
}

void c32bppDIB::SetisGDIplusEnabled(bool value) {
    if (value == isGDIplusEnabled()) {
        return;
    }
    // There is no GDI+ to probe on this platform, so the flag can only be cleared.
    m_Flags &= ~kGdiPlusEnabled;
}

bool c32bppDIB::Render(gdi::HDC destinationDC, int destX, int destY, int destWidth, int destHeight,
                       int srcX, int srcY, int srcWidth, int srcHeight, int Opacity,
                       [[maybe_unused]] bool Blend, [[maybe_unused]] bool SetHalfTone,
                       c32bppDIB* destHostDIB, [[maybe_unused]] int grayScale,
                       [[maybe_unused]] float LightAdjustment, [[maybe_unused]] float Angle,
                       bool CenterOnDestXY) const {
    if (Opacity < 1) {
        return static_cast<bool>(m_Bitmap);
    }
    if (!m_Bitmap || (destinationDC == 0 && destHostDIB == nullptr)) {
        return false;
    }
    destWidth = destWidth == 0 ? m_Width : destWidth;
    destHeight = destHeight == 0 ? m_Height : destHeight;
    srcX = std::max(srcX, 0);
    srcY = std::max(srcY, 0);
    srcWidth = srcWidth == 0 ? m_Width : srcWidth;
    if (srcWidth < 0) {
        destWidth = -destWidth;
        srcWidth = Magnitude(srcWidth);
    }
    srcHeight = srcHeight == 0 ? m_Height : srcHeight;
    if (srcHeight < 0) {
        destHeight = -destHeight;
        srcHeight = Magnitude(srcHeight);
    }
    srcWidth = std::min(srcWidth, m_Width - std::min(srcX, m_Width));
    srcHeight = std::min(srcHeight, m_Height - std::min(srcY, m_Height));
    if (srcWidth < 1 || srcHeight < 1) {
        return false;
    }
    const std::uint8_t opacity = OpacityByte(Opacity);
    if (CenterOnDestXY) {
        destX -= Magnitude(destWidth / 2);
        destY -= Magnitude(destHeight / 2);
    }
    const bool mirrored = destWidth <= 0 || destHeight < 0;
    const int width = Magnitude(destWidth);
    const int height = Magnitude(destHeight);
    const bool stretched = width != srcWidth || height != srcHeight;
    if (!stretched && !mirrored) {
        return BlendPixels(Pixels(), srcX, srcY, width, height, destinationDC, destX, destY,
                           destHostDIB, opacity);
    }
    std::vector<std::uint8_t> block;
    if (!AllocateBlock(block, width, height)) {
        return false;
    }
    const PixelView scaled{block.data(), width, height};
    ScalePixels(srcX, srcY, srcWidth, srcHeight, scaled, destWidth < 0, destHeight < 0);
    return BlendPixels(scaled, 0, 0, width, height, destinationDC, destX, destY, destHostDIB,
                       opacity);
}

void c32bppDIB::ScalePixels(int srcX, int srcY, int srcWidth, int srcHeight,
                            const PixelView& target, bool mirrorX, bool mirrorY) const {
    PixelScaler::Scale({Pixels(), srcX, srcY, srcWidth, srcHeight}, target,
                       m_HighQualityInterpolation, mirrorX, mirrorY);
}

bool c32bppDIB::BlendPixels(const PixelView& source, int srcX, int srcY, int width, int height,
                            gdi::HDC destinationDC, int destX, int destY, c32bppDIB* destHostDIB,
                            std::uint8_t opacity) const {
    if (destX < 0) {
        srcX -= destX;
        width += destX;
        destX = 0;
    }
    if (destY < 0) {
        srcY -= destY;
        height += destY;
        destY = 0;
    }
    if (destHostDIB == nullptr) {
        return BlendIntoDC(source, srcX, srcY, width, height, destinationDC, destX, destY, opacity);
    }
    if (!destHostDIB->m_Bitmap) {
        return false;
    }
    width = std::min(width, destHostDIB->m_Width - destX);
    height = std::min(height, destHostDIB->m_Height - destY);
    if (width < 1 || height < 1) {
        return false;
    }
    PixelBlender::Blend(
        source, srcX, srcY,
        {destHostDIB->m_Bits, destHostDIB->m_Width, destHostDIB->m_Height, 4, destX, destY}, width,
        height, opacity);
    return true;
}

// Blends over a copy of the context's pixels in a 24-bit bitmap and copies the result back.
bool c32bppDIB::BlendIntoDC(const PixelView& source, int srcX, int srcY, int width, int height,
                            gdi::HDC destinationDC, int destX, int destY,
                            std::uint8_t opacity) const {
    const gdi::Bitmap* target = gdi::BitmapOfDC(destinationDC);
    if (target == nullptr) {
        return false;
    }
    width = std::min(width, target->Width() - destX);
    height = std::min(height, target->Height() - destY);
    if (width < 1 || height < 1) {
        return false;
    }
    gdi::BITMAPINFOHEADER header;
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::uint8_t* bits = nullptr;
    const gdi::UniqueGdiObject work(gdi::CreateDIBSection(header, {}, &bits));
    const gdi::UniqueGdiObject workDC(gdi::CreateCompatibleDC());
    if (!work || !workDC) {
        return false;
    }
    gdi::SelectObject(workDC.Get(), work.Get());
    gdi::BitBlt(workDC.Get(), 0, 0, width, height, destinationDC, destX, destY);
    PixelBlender::Blend(source, srcX, srcY, {bits, width, height, 3, 0, 0}, width, height, opacity);
    gdi::BitBlt(destinationDC, destX, destY, width, height, workDC.Get(), 0, 0);
    return true;
}

bool c32bppDIB::Resize(int newWidth, int newHeight) {
    if (!m_Bitmap) {
        return false;
    }
    newWidth = newWidth == 0 ? m_Width : newWidth;
    newHeight = newHeight == 0 ? m_Height : newHeight;
    if (newWidth == m_Width && newHeight == m_Height) {
        return true;
    }
    c32bppDIB scaled;
    scaled.m_gdiToken = m_gdiToken;
    if (!scaled.InitializeDIB(Magnitude(newWidth), Magnitude(newHeight))) {
        return false;
    }
    scaled.SetisGDIplusEnabled(isGDIplusEnabled());
    scaled.m_HighQualityInterpolation = m_HighQualityInterpolation;
    scaled.m_ImageType = m_ImageType;
    scaled.m_Alpha = m_Alpha;
    scaled.m_OriginalFormat = m_OriginalFormat;
    ScalePixels(0, 0, m_Width, m_Height, scaled.Pixels(), newWidth < 0, newHeight < 0);
    scaled.CopyImageTo(*this, 0, 0, true);
    return true;
}

void c32bppDIB::CopyImageTo(c32bppDIB& cDIBclass, int newWidth, int newHeight,
                            bool CopyOriginalFormat) const {
    if (!m_Bitmap) {
        return;
    }
    newWidth = newWidth == 0 ? m_Width : newWidth;
    newHeight = newHeight == 0 ? m_Height : newHeight;
    const int width = Magnitude(newWidth);
    const int height = Magnitude(newHeight);
    cDIBclass.m_gdiToken = m_gdiToken;
    if (&cDIBclass != this && (cDIBclass.m_Width != width || cDIBclass.m_Height != height) &&
        !cDIBclass.InitializeDIB(width, height)) {
        return;
    }
    cDIBclass.m_Alpha = m_Alpha;
    cDIBclass.m_ImageType = m_ImageType;
    if (&cDIBclass != this) {
        if (width == m_Width && height == m_Height && newWidth > 0 && newHeight > 0) {
            std::memcpy(cDIBclass.m_Bits, m_Bits, static_cast<std::size_t>(scanWidth()) * m_Height);
        } else {
            ScalePixels(0, 0, m_Width, m_Height, cDIBclass.Pixels(), newWidth < 0, newHeight < 0);
        }
        if (CopyOriginalFormat) {
            cDIBclass.m_OriginalFormat = m_OriginalFormat;
        }
    }
}

bool c32bppDIB::HavePixelsAlpha() const {
    if (!m_Bitmap) {
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(m_Width) * m_Height;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t alpha = m_Bits[i * 4 + 3];
        if (alpha != 0 && alpha != 255) {
            return true;
        }
    }
    return false;
}

bool c32bppDIB::RemoveAlpha() {
    if (!m_Bitmap) {
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(m_Width) * m_Height;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* pixel = m_Bits + i * 4;
        if (pixel[3] != 0 && pixel[3] != 255) {
            std::memset(pixel, 0, 4);
        }
    }
    return true;
}

bool c32bppDIB::LoadPicture_File(const std::string& FileName, int iconCx, int iconCy,
                                 bool SaveFormat, int iconBitDepth) {
    DestroyDIB();
    m_LoadError.reset();
    // The length from the look that checked the file, so that a small file costs an open, one
    // look, one read and a close.
    std::int64_t fileLength = -1;
    const int fileHandle = RegularFile::OpenForReading(FileName, fileLength);
    if (fileHandle < 0) {
        return false;
    }
    bool result = false;
    if (fileLength >= kMinimumFileLength) {
        std::int64_t start = 0;
        std::int64_t length = fileLength;
        result = ParseSourceData(fileHandle, {}, iconCx, iconCy, start, length, SaveFormat,
                                 iconBitDepth);
    } else if (fileLength >= 0) {
        m_LoadError = Error::Truncated(fileLength);
    }
    ::close(fileHandle);
    return result;
}

bool c32bppDIB::LoadPicture_Stream(std::span<const std::uint8_t> inStream, int iconCx, int iconCy,
                                   std::int64_t streamStart, std::int64_t streamLength,
                                   bool SaveFormat, int iconBitDepth) {
    DestroyDIB();
    m_LoadError.reset();
    const auto size = static_cast<std::int64_t>(inStream.size());
    streamStart = std::max<std::int64_t>(streamStart, 0);
    if (streamLength == 0) {
        streamLength = size - streamStart;
    }
    if (inStream.empty() || streamStart > size || streamLength < kMinimumStreamLength ||
        streamLength > size - streamStart) {
        m_LoadError = Error::Truncated(std::max<std::int64_t>(size - streamStart, 0));
        return false;
    }
    return ParseSourceData(-1, inStream, iconCx, iconCy, streamStart, streamLength, SaveFormat,
                           iconBitDepth);
}

bool c32bppDIB::ParseSourceData(int fileHandle, std::span<const std::uint8_t> stream, int& iconCx,
                                int& iconCy, std::int64_t& streamStart, std::int64_t& streamLength,
                                bool SaveFormat, int& iconBitDepth) {
    DestroyDIB();
    NormaliseIconRequest(iconCx, iconCy, iconBitDepth);
    std::vector<std::uint8_t> fileBytes;
    cPNGparser png;
    DecodeOutcome pngOutcome = fileHandle >= 0 ? png.DecodeFile(fileHandle, streamLength)
                                               : png.Decode(stream, streamStart, streamLength);
    std::optional<Error> reason = pngOutcome.recognised ? WhyNone(pngOutcome) : std::nullopt;
    const bool isPng = TakeOutcome(std::move(pngOutcome));
    // The other decoders, the fallback and the kept bytes need the whole file in memory.
    const bool needsBytes =
        Handle() == 0 ? !isPng || FallbackDecoder::Installed() != nullptr : SaveFormat;
    if (fileHandle >= 0 && needsBytes) {
        auto read = RegularFile::ReadAll(fileHandle);
        if (!read) {
            DestroyDIB();
            m_LoadError = read.Error();
            return false;
        }
        fileBytes = std::move(*read);
        stream = fileBytes;
        streamStart = 0;
        streamLength = static_cast<std::int64_t>(fileBytes.size());
    }
    if (!isPng) {
        reason = DecodeStream(stream, iconCx, iconCy, streamStart, streamLength, iconBitDepth);
    }
    if (Handle() == 0) {
        const std::optional<Error> fallbackReason = LoadWithFallback(stream, iconCx, iconCy);
        if (fallbackReason) {
            m_LoadError =
                FallbackTells(*fallbackReason) ? *fallbackReason : reason.value_or(*fallbackReason);
            return false;
        }
    }
    if (SaveFormat) {
        m_OriginalFormat.assign(stream.begin(), stream.end());
    }
    return true;
}

// The decoders after PNG, in order; the first that recognises its format ends the chain. Gives
// why none gave a picture, as told by a decoder that knew the format when one did.
std::optional<Error> c32bppDIB::DecodeStream(std::span<const std::uint8_t> stream, int iconCx,
                                             int iconCy, std::int64_t streamStart,
                                             std::int64_t& streamLength, int iconBitDepth) {
    DecodeOutcome gif = cGIFparser::Decode(stream, streamStart, streamLength);
    const std::optional<Error> gifReason = WhyNone(gif);
    if (TakeOutcome(std::move(gif))) {
        return gifReason;
    }
    DecodeOutcome icon =
        cICOparser().Decode(stream, iconCx, iconCy, streamStart, streamLength, iconBitDepth);
    const std::optional<Error> iconReason = WhyNone(icon);
    if (TakeOutcome(std::move(icon))) {
        return iconReason;
    }
    DecodeOutcome bitmap = cBMPparser::Decode(stream, streamStart, streamLength);
    const std::optional<Error> bitmapReason = WhyNone(bitmap);
    if (TakeOutcome(std::move(bitmap))) {
        return std::nullopt;
    }
    return MoreTelling(MoreTelling(gifReason, iconReason), bitmapReason);
}

bool c32bppDIB::LoadPicture_Decoded(DecodedImage image) {
    DestroyDIB();
    std::unique_ptr<gdi::Bitmap> bitmap = image.TakeBitmap();
    std::uint8_t* bits = bitmap ? bitmap->Bits() : nullptr;
    m_Bitmap.Reset(bitmap ? gdi::HandleTable::Insert(std::move(bitmap)) : 0);
    if (!HoldBitmap(bits, image.Width(), image.Height())) {
        return false;
    }
    m_Alpha = image.Alpha();
    m_ImageType = static_cast<int>(image.ImageType());
    return true;
}

// Gives why the fallback decoder made no picture, empty when it made one.
std::optional<Error> c32bppDIB::LoadWithFallback(std::span<const std::uint8_t> stream, int width,
                                                 int height) {
    const FallbackDecoder* fallback = FallbackDecoder::Installed();
    if (fallback == nullptr || stream.empty()) {
        return Error::NotThisFormat();
    }
    std::optional<DecodedImage> image;
    const auto room = [&image](int w, int h) -> Expected<std::span<std::uint8_t>, Error> {
        Expected<DecodedImage, Error> made = DecodedImage::Allocate(w, h);
        if (!made) {
            return made.Error();
        }
        image.emplace(std::move(*made));
        return image->Pixels();
    };
    const Expected<bool, Error> decoded =
        fallback->Decode(stream, std::max(width, 0), std::max(height, 0), room);
    if (!decoded || !image) {
        return decoded ? Error::NoImage() : decoded.Error();
    }
    image->SetAlpha(*decoded);
    image->SetImageType(kFallbackImageType);
    if (!LoadPicture_Decoded(std::move(*image))) {
        return Error::NoImage();
    }
    return std::nullopt;
}

bool c32bppDIB::LoadPicture_ClipBoard() {
    const picture::ClipboardSource* clipboard = picture::ClipboardSource::Installed();
    if (clipboard == nullptr || !clipboard->HasPicture()) {
        return false;
    }
    const std::unique_ptr<picture::Picture> offered = clipboard->GetPicture();
    return LoadPicture_StdPicture(offered.get());
}

bool c32bppDIB::LoadPicture_StdPicture(const picture::Picture* Picture) {
    DestroyDIB();
    if (Picture == nullptr) {
        return false;
    }
    switch (Picture->Type()) {
        case picture::Picture::kNone:
            break;
        case picture::Picture::kIcon:
            cICOparser().ConvertstdPicTo32bpp(Picture->Handle(), *this);
            break;
        case picture::Picture::kBitmap:
            cBMPparser().ConvertstdPicTo32bpp(nullptr, Picture->Handle(), *this, 0);
            break;
        default:
            cBMPparser().ConvertstdPicTo32bpp(Picture, 0, *this, 0);
            break;
    }
    return Handle() != 0;
}
