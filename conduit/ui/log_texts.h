// The conduit's log lines that a host reads to tell what happened, named
// once for the conduit that writes them and the host that looks for them:
// a changed message cannot silently change a host's exit status or advice.
#pragma once

namespace oq::log_texts {

// The first line of every pass.
inline constexpr char kPassStart[] = "--- OrbitQuail start ---";
// The tracker could not be reached at all.
inline constexpr char kTransportFailed[] = "HTTP error while getting data.";
// The pass ended before its first program: with kTransportFailed before
// it, the tracker is out of reach.
inline constexpr char kServerInitFailed[] = "Failed to init with OrbitQuail server.";
// After a program's name and ": ", the tracker gave no answer for it; with
// kHttpError and the status in hexadecimal after it, the tracker's status.
inline constexpr char kNoAnswer[] = "Failed to get data from server.";
inline constexpr char kHttpError[] = "HTTP Error: ";
// The tracking period stopped the pass, followed by the hours since the
// last track.
inline constexpr char kJustTracked[] = "OrbitQuail - Do nothing because it just tracked";

}  // namespace oq::log_texts
