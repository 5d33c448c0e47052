#pragma once
// Runs independent tasks on several threads and fails as running them one
// after the other would: when tasks fail, the exception of the first in
// order is thrown, once every task before it has run (a task after a failed
// one is not begun). Tasks must not share what they write.
#include <cstddef>
#include <functional>

// Calls task(0) ... task(count - 1) on up to `threads` threads (at least one).
void RunInOrderOfFailure(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& task);

// The threads a build uses when none are asked for: one per processor.
unsigned DefaultThreads();
