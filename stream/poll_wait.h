// A wait on one descriptor, bounded by a time point.
#pragma once

#include "byte_stream.h"

namespace oq::stream {

// kNone once `events` came (`returned` holds what poll said of the
// descriptor), kTimedOut at `until`, kSystem with errno set when poll fails.
dlp::LinkError PollUntil(int descriptor, short events, Clock::time_point until, short& returned);

}  // namespace oq::stream
