// A client of the W3C WebDriver protocol, as the browser driver (chromedriver) serves it on this
// machine: sessions, navigation, elements found by id, typed keys, clicks and scripts. Values reach
// a script only as its JSON arguments, never inside the script's text.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"
#include "output/http.h"
#include "output/json.h"

namespace vorn::output {

// What a driver's reply says: its "value", and for a failed command the W3C error code ("no such
// element", "invalid session id", ...) and the driver's message.
struct WebDriverReply {
    Json value;
    std::string error;  // empty when the command succeeded
    std::string message;
};

// Reads a reply body. A body that is not a JSON object with a "value" member fails with kCorrupt;
// an HTTP status of 400 or more without a W3C error in the value counts as the error "unknown
// error".
[[nodiscard]] Status parse_webdriver_reply(long http_status, std::string_view body,
                                           WebDriverReply* reply);

// An element as the protocol names it: {"element-6066-11e4-a52e-4f735466cecf": id}. Scripts take it
// as an argument and receive the page's element.
Json element_reference(const std::string& element_id);
// The id inside a reference, empty when the value is not one.
std::string element_id(const Json& reference);

class WebDriver {
  public:
    // `base` is the driver's address, as "http://127.0.0.1:9515".
    WebDriver(Http& http, std::string base) : http_(http), base_(std::move(base)) {}

    // True when the driver answers its status request and says it is ready for a new session.
    bool ready();
    // Opens a session with the capabilities ({"alwaysMatch": {...}}); the browser starts.
    [[nodiscard]] Status new_session(const Json& capabilities);
    bool has_session() const { return !session_.empty(); }
    // True when the session still has its browser window (the operator may have closed it).
    bool alive();
    // Ends the session (the browser closes). Without a session it does nothing.
    void delete_session();

    [[nodiscard]] Status navigate(const std::string& url);
    // The element with this id; kNotFound when the page has none.
    [[nodiscard]] Status find_by_id(std::string_view id, Json* element);
    [[nodiscard]] Status send_keys(const Json& element, const std::string& text);
    [[nodiscard]] Status click(const Json& element);
    [[nodiscard]] Status text(const Json& element, std::string* out);
    // Runs the script's body with `arguments` bound to `args`; *result is its return value.
    [[nodiscard]] Status execute(std::string_view script, Json::Array args, Json* result);

  private:
    [[nodiscard]] Status call(std::string_view method, const std::string& path, const Json* body,
                              Json* value, int timeout_seconds = 30);
    [[nodiscard]] Status element_call(const Json& element, const std::string& what,
                                      const Json& body, Json* value);

    Http& http_;
    std::string base_;
    std::string session_;
};

}  // namespace vorn::output
