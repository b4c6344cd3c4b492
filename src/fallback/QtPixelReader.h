// SPDX-License-Identifier: MIT
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <QSvgRenderer>
#include <cstdint>
#include <memory>

// Decodes a picture through Qt's image readers (JPEG, WebP, TIFF, SVG and whatever else the
// installed plugins read), or draws an SVG at a size asked for through Qt's SVG renderer. The
// size is learnt first, from the picture's header, so that it can be refused or made room for
// before a pixel is decoded.
class QtPixelReader {
  public:
    enum class Outcome { Decoded, NotReadable, TooLarge };

    // With a draw size above 0 an SVG is drawn at that size; other pictures are decoded.
    QtPixelReader(QByteArray bytes, std::uint64_t maxPixels, int drawWidth, int drawHeight);

    // Learns the size the picture will have (invalid when its header does not tell): TooLarge
    // when it exceeds the pixel limit, NotReadable when no reader knows the format.
    Outcome Plan();
    Outcome Read();
    // In premultiplied ARGB32, whose bytes in memory are B, G, R, A.
    const QImage& Image() const { return m_Image; }
    bool HasAlpha() const { return m_HasAlpha; }
    // The declared size after Plan, why after NotReadable.
    QSize DeclaredSize() const { return m_Declared; }
    const QString& Message() const { return m_Message; }

  private:
    Outcome Draw();
    Outcome Decode();
    Outcome Unreadable();
    bool Fits(QSize size) const;

    QByteArray m_Bytes;
    std::uint64_t m_MaxPixels;
    QSize m_DrawSize;
    std::unique_ptr<QSvgRenderer> m_Renderer;
    QBuffer m_Buffer;
    QImageReader m_Reader;
    QImage m_Image;
    bool m_HasAlpha = false;
    QSize m_Declared;
    QString m_Message;
};
