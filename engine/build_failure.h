#pragma once

namespace pf {

// The one failure of a build: thrown by a step after it has written its own
// trace line (and shown its own message where it has one); caught only by
// Merger, which turns it into the result false.
struct BuildFailure {};

}  // namespace pf
