// SPDX-License-Identifier: MIT
// The own inflater against zlib: whenever zlib inflates the input completely, the own inflater
// must succeed with the very same bytes. The first two bytes give the output size.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "codecs/cInflater.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input({data, size});
    const std::size_t capacity = input.TakeUint16() + std::size_t{1};
    const std::span<const std::uint8_t> stream = input.Rest();

    std::vector<std::uint8_t> own(capacity, 0);
    const bool ownOk = cInflater().Inflate(own, stream);

    std::vector<std::uint8_t> reference(capacity, 0);
    uLongf length = reference.size();
    if (uncompress(reference.data(), &length, stream.data(), stream.size()) != Z_OK) {
        return 0;
    }
    if (!ownOk || own != reference) {
        std::abort();
    }
    return 0;
}
