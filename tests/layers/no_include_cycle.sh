#!/bin/bash
# The image class calls the decoders, so no decoder may include anything from image/.
codecs="$1"
if grep -n '#include "image/' "$codecs"/*.h "$codecs"/*.cpp; then
    echo "codecs include image/: the layers form a cycle" >&2
    exit 1
fi
