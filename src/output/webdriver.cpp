// The WebDriver commands as HTTP requests, and the reading of the driver's replies.
#include "output/webdriver.h"

#include <stdexcept>

namespace vorn::output {
namespace {

constexpr const char* kElementKey = "element-6066-11e4-a52e-4f735466cecf";

// A CSS selector matching the id exactly, whatever characters it holds.
std::string id_selector(std::string_view id) {
    std::string sel = "[id=\"";
    for (const char c : id) {
        if (c == '"' || c == '\\') sel += '\\';
        if (c == '\n') {
            sel += "\\a ";
            continue;
        }
        sel += c;
    }
    return sel + "\"]";
}

}  // namespace

Status parse_webdriver_reply(long http_status, std::string_view body, WebDriverReply* reply) {
    Json doc;
    if (Status st = parse_json(body, &doc); !st)
        return Status::corrupt("Resposta do navegador ilegível: " + st.message());
    const Json* value = doc.find("value");
    if (!value) return Status::corrupt("Resposta do navegador sem \"value\"");
    reply->value = *value;
    reply->error.clear();
    reply->message.clear();
    const Json* error = value->find("error");
    if (error && error->is_string()) {
        reply->error = error->text();
        if (reply->error.empty()) reply->error = "unknown error";
        if (const Json* m = value->find("message"); m && m->is_string()) reply->message = m->text();
    } else if (http_status >= 400) {
        reply->error = "unknown error";
    }
    return Status::ok();
}

Json element_reference(const std::string& element_id) {
    return Json(Json::Object{{kElementKey, Json(element_id)}});
}

std::string element_id(const Json& reference) {
    const Json* id = reference.find(kElementKey);
    return id && id->is_string() ? id->text() : std::string();
}

Status WebDriver::call(std::string_view method, const std::string& path, const Json* body,
                       Json* value, int timeout_seconds) {
    HttpReply http;
    const std::string text = body ? body->dump() : std::string();
    if (Status st = http_.request(method, base_ + path, text, timeout_seconds, &http); !st)
        return st;
    WebDriverReply reply;
    if (Status st = parse_webdriver_reply(http.code, http.body, &reply); !st) return st;
    if (!reply.error.empty()) {
        std::string what = reply.error;
        if (!reply.message.empty()) what += ": " + reply.message.substr(0, 200);
        if (reply.error == "no such element") return Status::not_found(what);
        return Status::io_error(what);
    }
    if (value) *value = std::move(reply.value);
    return Status::ok();
}

bool WebDriver::ready() {
    Json value;
    if (!call("GET", "/status", nullptr, &value, 5)) return false;
    const Json* r = value.find("ready");
    return r && r->is_bool() && r->boolean();
}

Status WebDriver::new_session(const Json& capabilities) {
    const Json body(Json::Object{{"capabilities", capabilities}});
    Json value;
    if (Status st = call("POST", "/session", &body, &value, 90); !st) return st;
    const Json* id = value.find("sessionId");
    if (!id || !id->is_string() || id->text().empty())
        return Status::corrupt("O navegador não informou a sessão");
    session_ = id->text();
    return Status::ok();
}

bool WebDriver::alive() {
    if (session_.empty()) return false;
    return call("GET", "/session/" + session_ + "/window", nullptr, nullptr).is_ok();
}

void WebDriver::delete_session() {
    if (session_.empty()) return;
    // A session whose browser is already gone answers with an error: it is over all the same.
    (void)call("DELETE", "/session/" + session_, nullptr, nullptr);
    session_.clear();
}

Status WebDriver::navigate(const std::string& url) {
    const Json body(Json::Object{{"url", Json(url)}});
    return call("POST", "/session/" + session_ + "/url", &body, nullptr, 90);
}

Status WebDriver::find_by_id(std::string_view id, Json* element) {
    const Json body(
        Json::Object{{"using", Json("css selector")}, {"value", Json(id_selector(id))}});
    Json value;
    if (Status st = call("POST", "/session/" + session_ + "/element", &body, &value); !st)
        return st;
    if (element_id(value).empty()) return Status::corrupt("O navegador não identificou o elemento");
    *element = std::move(value);
    return Status::ok();
}

Status WebDriver::element_call(const Json& element, const std::string& what, const Json& body,
                               Json* value) {
    const std::string id = element_id(element);
    if (id.empty()) throw std::invalid_argument("not an element reference");
    const Json* b = body.is_null() ? nullptr : &body;
    return call(b ? "POST" : "GET", "/session/" + session_ + "/element/" + id + what, b, value);
}

Status WebDriver::send_keys(const Json& element, const std::string& text) {
    return element_call(element, "/value", Json(Json::Object{{"text", Json(text)}}), nullptr);
}

Status WebDriver::click(const Json& element) {
    return element_call(element, "/click", Json(Json::Object{}), nullptr);
}

Status WebDriver::text(const Json& element, std::string* out) {
    Json value;
    if (Status st = element_call(element, "/text", Json(), &value); !st) return st;
    *out = value.is_string() ? value.text() : std::string();
    return Status::ok();
}

Status WebDriver::execute(std::string_view script, Json::Array args, Json* result) {
    const Json body(
        Json::Object{{"script", Json(std::string(script))}, {"args", Json(std::move(args))}});
    Json value;
    if (Status st = call("POST", "/session/" + session_ + "/execute/sync", &body, &value); !st)
        return st;
    if (result) *result = std::move(value);
    return Status::ok();
}

}  // namespace vorn::output
