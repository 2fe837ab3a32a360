// Starting the driver, opening and reusing the browser session, ending both.
#include "output/browser.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace vorn::output {

int free_local_port() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

std::vector<std::string> browser_arguments(const BrowserSettings& settings, bool root) {
    std::vector<std::string> args = {"--no-first-run", "--no-default-browser-check"};
    if (root) args.push_back("--no-sandbox");
    if (settings.headless) {
        args.push_back("--headless=new");
        args.push_back("--disable-gpu");
    }
    return args;
}

Status Browser::start_driver() {
    stop_driver();
    const int port = free_local_port();
    if (port == 0) return Status::io_error("Nenhuma porta local livre para o navegador");
    long id = 0;
    if (Status st = processes_.start({settings_.driver, "--port=" + std::to_string(port)}, &id);
        !st)
        return st;
    driver_id_ = id;
    driver_ = std::make_unique<WebDriver>(http_, "http://127.0.0.1:" + std::to_string(port));
    for (int i = 0; i < 200; ++i) {
        if (driver_->ready()) return Status::ok();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    stop_driver();
    return Status::io_error(settings_.driver + " não respondeu em 20 segundos");
}

Status Browser::session(WebDriver** out) {
    if (driver_ && driver_->has_session()) {
        if (driver_->alive()) {
            *out = driver_.get();
            return Status::ok();
        }
        driver_->delete_session();
    }
    if (!driver_ || !driver_->ready()) {
        if (Status st = start_driver(); !st) return st;
    }
    Json::Array args;
    for (auto& a : browser_arguments(settings_, geteuid() == 0)) args.emplace_back(std::move(a));
    Json::Object chrome{{"args", Json(std::move(args))}};
    if (!settings_.binary.empty()) chrome.emplace("binary", Json(settings_.binary));
    // The page's loading is waited for by polling, so that Esc can stop it.
    const Json capabilities(Json::Object{
        {"alwaysMatch", Json(Json::Object{{"pageLoadStrategy", Json("none")},
                                          {"goog:chromeOptions", Json(std::move(chrome))}})}});
    if (Status st = driver_->new_session(capabilities); !st) return st;
    *out = driver_.get();
    return Status::ok();
}

void Browser::stop_driver() {
    driver_.reset();
    if (driver_id_ != 0) processes_.stop(driver_id_);
    driver_id_ = 0;
}

void Browser::close() {
    if (driver_) driver_->delete_session();
    stop_driver();
}

}  // namespace vorn::output
