// SPDX-License-Identifier: MIT
#include "import/ModuleBitmap.h"

#include "codecs/modParsers.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/pe/PeModule.h"

gdi::HBITMAP ModuleBitmap::Load(const pe::PeModule& module, const std::string& ResID) {
    const auto location =
        module.FindResource(pe::ResourceId::FromListed(ResID), pe::PeModule::RT_BITMAP);
    if (!location) {
        return 0;
    }
    const gdi::HBITMAP bitmap = gdi::LoadPackedDib(module.LoadResource(*location));
    if (gdi::Bitmap* pixels = gdi::BitmapFromHandle(bitmap)) {
        modParsers::JudgeBitmapAlpha(*pixels);
    }
    return bitmap;
}
