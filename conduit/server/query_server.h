// One exchange with the tracking server: the init query that opens a pass,
// or the query about one catalogued program.
#pragma once

#include <cstdint>
#include <string>

#include "server_reply.h"
#include "track_query_client.h"

namespace oq {

// "http://<host>/query.php?", the host fixed when the conduit is built.
const char* QueryBaseUrl();

// Builds the URL of the init query (record null) or of the program in the
// 368-byte `record`, sends it, and parses a 200 reply into `reply`. True
// only for a reply with status Okay or NoData. `text` is the caller's work
// buffer. Logs its own failures; yields to the HotSync Manager before the
// request.
bool QueryServer(TrackQueryClient& client, const char* userAgent, const uint8_t* record, std::string& text,
                 ServerReply& reply);

}  // namespace oq
