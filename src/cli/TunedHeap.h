// SPDX-License-Identifier: MIT
#pragma once

// Strip builds allocate a picture or two per cell on every worker and free them again. At
// start-up the C library's heap is told to keep freed blocks for the next picture instead of
// handing them back to the system and taking them again page by page, and to serve every thread
// from one heap: the workers allocate a few large blocks per picture, so its lock costs nothing.
// The first stretch of that heap is backed by huge pages, as the cells' slabs are
// (platform/gdi/CellSlabs): a build then costs a few hundred page faults instead of thousands.
class TunedHeap {
  public:
    static void Apply();

  private:
    static void PreferHugePagesForHeap();
};
