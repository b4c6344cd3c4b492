// SPDX-License-Identifier: MIT
#include "codecs/DecodeRequest.h"

#include "codecs/ZlibBridge.h"

DecodeRequest DecodeRequest::Default() {
    DecodeRequest request;
    request.verifyCrc = ZlibBridge::IsZlibPresent();
    request.useZlib = request.verifyCrc;
    return request;
}
