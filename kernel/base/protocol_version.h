#pragma once

namespace cot {

// The version of what the desktop and the application server say to each other: the
// remote methods, their arguments and answers, packets and deltas. Both programs are built
// with this one number. It goes up whenever a change would make one side misread the
// other (a method gone or renamed, an argument or field changing meaning); additions that
// an older desktop simply does not use leave it as it is. The server reports it in
// GET /health; the desktop refuses to sign in to a server that speaks another one.
inline constexpr int kProtocolVersion = 1;

}  // namespace cot
