// HTTP requests to a local server (the browser driver) behind a small interface, so that the
// driver's client can be tested against prepared replies. The real one is libcurl.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"

namespace vorn::output {

struct HttpReply {
    long code = 0;  // the HTTP status
    std::string body;
};

class Http {
  public:
    virtual ~Http() = default;
    // Sends GET, POST or DELETE to `url` (a POST carries `body` as JSON) and waits for the whole
    // reply, at most `timeout_seconds`. Any reply counts as ok whatever its status; a refused
    // connection, a timeout or a broken transfer fail with kIoError naming the address.
    [[nodiscard]] virtual Status request(std::string_view method, const std::string& url,
                                         const std::string& body, int timeout_seconds,
                                         HttpReply* reply) = 0;
};

class CurlHttp final : public Http {
  public:
    CurlHttp();
    [[nodiscard]] Status request(std::string_view method, const std::string& url,
                                 const std::string& body, int timeout_seconds,
                                 HttpReply* reply) override;
};

}  // namespace vorn::output
