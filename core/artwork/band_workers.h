#pragma once
// A few threads that compose bands of surface rows beside the calling thread.
// Every band is composed whole by one thread, and bands do not overlap, so
// the result is the same bytes as composing them one after another; the
// caller waits until all are done, so the surface stays its own.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tintloom {

// The work of one band; `scratch` is the running thread's own memory.
using TBandJob = void (*)(const void* context, std::size_t band, std::vector<std::uint8_t>& scratch);

// Runs job(context, b, scratch) for every b in [0, count), spread over the
// calling thread and up to `threads - 1` workers, and returns when all have
// run. With threads <= 1 everything runs on the caller, and so it does when
// another thread's run has the workers (a file read in the background while
// the canvas is composed).
void RunBands(std::size_t count, unsigned threads, TBandJob job, const void* context);

// How many threads compositions use: the processor count, at most four.
unsigned CompositionThreads();

}  // namespace tintloom
