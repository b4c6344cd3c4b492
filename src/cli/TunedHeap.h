#pragma once

// Strip builds write every page of their pixel memory once; backed by huge pages, a store of
// thousands of cells costs a few hundred page faults instead of tens of thousands, and freed
// pictures are kept for the next instead of going back to the system. The worker threads share
// that one heap: they allocate a few large blocks per picture, so its lock costs nothing. The C
// library takes these settings only from the environment at start-up, so such a run starts itself
// once more with them.
class TunedHeap {
  public:
    // Returns when this process goes on: the run needs no tuning, is tuned already, or could not
    // start again.
    static void RestartIfWorthIt(int argc, char** argv);

  private:
    static bool BuildsStrips(int argc, char** argv);
};
