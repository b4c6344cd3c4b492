// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

// Decodes a picture through Qt's image readers (JPEG, WebP, TIFF, SVG and whatever else the
// installed plugins read), or draws an SVG at a size asked for through Qt's SVG renderer.
class QtPixelReader {
  public:
    enum class Outcome { Decoded, NotReadable, TooLarge };

    QtPixelReader(QByteArray bytes, std::uint64_t maxPixels);

    Outcome Read(int drawWidth, int drawHeight);
    // In premultiplied ARGB32, whose bytes in memory are B, G, R, A.
    const QImage& Image() const { return m_Image; }
    bool HasAlpha() const { return m_HasAlpha; }
    // The declared size when TooLarge, why when NotReadable.
    QSize DeclaredSize() const { return m_Declared; }
    const QString& Message() const { return m_Message; }

  private:
    Outcome Draw(int width, int height);
    Outcome Decode();
    bool Fits(QSize size) const;

    QByteArray m_Bytes;
    std::uint64_t m_MaxPixels;
    QImage m_Image;
    bool m_HasAlpha = false;
    QSize m_Declared;
    QString m_Message;
};
