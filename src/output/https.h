// Fetching from the maker's web server: HTTPS only, the server's certificate verified (against the
// system's authorities, or `ca_file` when given), with a time limit and a size limit, identified
// as "Programa VORN2026".
#pragma once

#include <string>

#include "base/status.h"

namespace vorn::output {

struct HttpsRequest {
    std::string url;
    std::string ca_file;         // "" for the system's certificate authorities
    int connect_seconds = 10;    // to reach the server
    int low_speed_seconds = 15;  // a transfer stalled this long (under 1 byte/s) is given up
    size_t max_bytes = 64 << 20;
};

// The reply's body when the server answered 200; kIoError naming the address otherwise (refused
// connection, unverified certificate, any other status, a stalled or oversized transfer, an
// address that is not https).
[[nodiscard]] Status https_get(const HttpsRequest& request, std::string* body);

}  // namespace vorn::output
