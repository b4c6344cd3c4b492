#include "platform/picture/ClipboardSource.h"

namespace picture {
namespace {

const ClipboardSource* g_Installed = nullptr;

}  // namespace

void ClipboardSource::Install(const ClipboardSource* source) {
    g_Installed = source;
}

const ClipboardSource* ClipboardSource::Installed() {
    return g_Installed;
}

}  // namespace picture
