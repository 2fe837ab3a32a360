// The browser the program drives: the driver (chromedriver) started through the process layer on
// a free local port, a Chromium session opened through it and kept while it lives, and the end of
// both, the session deleted and the driver ended by its process id.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/process.h"
#include "base/status.h"
#include "output/http.h"
#include "output/webdriver.h"

namespace vorn::output {

struct BrowserSettings {
    std::string driver = "chromedriver";  // the driver program (Debian chromium-driver)
    std::string binary;     // the browser program; empty: the one the driver finds itself
    bool headless = false;  // a visible window unless tests ask otherwise
};

// The arguments Chromium is started with: no first-run questions, no sandbox when running as
// root (Chromium refuses to start otherwise), and a window-less browser when headless.
std::vector<std::string> browser_arguments(const BrowserSettings& settings, bool root);

class Browser {
  public:
    Browser(Processes& processes, Http& http, BrowserSettings settings)
        : processes_(processes), http_(http), settings_(std::move(settings)) {}
    ~Browser() { close(); }
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // The session to drive: the open one while its window lives, else a new one, starting the
    // driver first when it is not running or no longer answers. Failures carry the reason (the
    // driver not found, not answering within 20 seconds, the browser refused).
    [[nodiscard]] Status session(WebDriver** out);
    // Deletes the session (the browser closes) and ends the driver. Safe to call again.
    void close();
    bool driver_running() const { return driver_id_ != 0; }
    long driver_id() const { return driver_id_; }

  private:
    [[nodiscard]] Status start_driver();
    void stop_driver();

    Processes& processes_;
    Http& http_;
    BrowserSettings settings_;
    long driver_id_ = 0;  // process id of the driver we started, 0 when none
    std::unique_ptr<WebDriver> driver_;
};

// A TCP port of 127.0.0.1 free at the moment of asking (the system picks it); 0 when none.
int free_local_port();

}  // namespace vorn::output
