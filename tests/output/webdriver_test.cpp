// The WebDriver client and the browser's lifetime against a fake driver: what the requests carry,
// how replies and errors are read, the driver started and ended by id, the session reused.
#include <gtest/gtest.h>

#include <functional>

#include "output/browser.h"
#include "output/webdriver.h"

namespace vorn::output {
namespace {

struct Request {
    std::string method, url, body;
};

// Answers each request with the reply `answer` gives; records them all.
class FakeHttp final : public Http {
  public:
    std::vector<Request> requests;
    std::function<HttpReply(const Request&)> answer = [](const Request&) {
        return HttpReply{200, R"({"value": null})"};
    };
    Status request(std::string_view method, const std::string& url, const std::string& body, int,
                   HttpReply* reply) override {
        requests.push_back({std::string(method), url, body});
        *reply = answer(requests.back());
        return Status::ok();
    }
    int count(std::string_view method, std::string_view url_end) const {
        int n = 0;
        for (const auto& r : requests)
            if (r.method == method && r.url.ends_with(url_end)) ++n;
        return n;
    }
};

TEST(WebDriverReply, ReadsValuesAndW3cErrors) {
    WebDriverReply r;
    ASSERT_TRUE(parse_webdriver_reply(200, R"({"value": {"ready": true}})", &r));
    EXPECT_TRUE(r.error.empty());
    EXPECT_TRUE(r.value.find("ready")->boolean());

    ASSERT_TRUE(parse_webdriver_reply(
        404, R"({"value": {"error": "no such element", "message": "nada", "stacktrace": ""}})",
        &r));
    EXPECT_EQ(r.error, "no such element");
    EXPECT_EQ(r.message, "nada");

    ASSERT_TRUE(parse_webdriver_reply(500, R"({"value": null})", &r));
    EXPECT_EQ(r.error, "unknown error");

    for (const char* bad : {"", "<html>", "[]", R"({"valor": 1})", R"({"value": )"})
        EXPECT_EQ(parse_webdriver_reply(200, bad, &r).code(), Status::Code::kCorrupt) << bad;
}

TEST(WebDriver, ScriptValuesTravelAsEscapedArgumentsNeverInTheScript) {
    FakeHttp http;
    WebDriver wd(http, "http://127.0.0.1:9");
    http.answer = [](const Request&) {
        return HttpReply{200, R"({"value": {"sessionId": "S1"}})"};
    };
    ASSERT_TRUE(wd.new_session(Json(Json::Object{})));
    http.answer = [](const Request&) { return HttpReply{200, R"({"value": true})"}; };
    const std::string value = "'); document.body.remove(); (\"\\ ação";
    Json result;
    ASSERT_TRUE(wd.execute("return arguments[0];", {Json(value)}, &result));
    const Request& r = http.requests.back();
    EXPECT_EQ(r.url, "http://127.0.0.1:9/session/S1/execute/sync");
    Json body;
    ASSERT_TRUE(parse_json(r.body, &body));
    EXPECT_EQ(body.find("script")->text(), "return arguments[0];");
    ASSERT_EQ(body.find("args")->items().size(), 1u);
    EXPECT_EQ(body.find("args")->items()[0].text(), value);
    EXPECT_TRUE(result.boolean());
}

TEST(WebDriver, FindsByIdWithAnExactSelectorAndTellsAMissingElement) {
    FakeHttp http;
    WebDriver wd(http, "http://d");
    http.answer = [](const Request&) { return HttpReply{200, R"({"value": {"sessionId": "S"}})"}; };
    ASSERT_TRUE(wd.new_session(Json(Json::Object{})));
    http.answer = [](const Request& r) {
        if (!r.url.ends_with("/element")) return HttpReply{200, R"({"value": null})"};
        if (r.body.find("quota1") != std::string::npos)
            return HttpReply{200, R"({"value": {"element-6066-11e4-a52e-4f735466cecf": "E7"}})"};
        return HttpReply{404, R"({"value": {"error": "no such element", "message": "x"}})"};
    };
    Json el;
    ASSERT_TRUE(wd.find_by_id("quota1", &el));
    EXPECT_EQ(element_id(el), "E7");
    Json body;
    ASSERT_TRUE(parse_json(http.requests.back().body, &body));
    EXPECT_EQ(body.find("using")->text(), "css selector");
    EXPECT_EQ(body.find("value")->text(), "[id=\"quota1\"]");
    EXPECT_EQ(wd.find_by_id("odd\"id", &el).code(), Status::Code::kNotFound);
    ASSERT_TRUE(parse_json(http.requests.back().body, &body));
    EXPECT_EQ(body.find("value")->text(), "[id=\"odd\\\"id\"]");

    ASSERT_TRUE(wd.click(element_reference("E7")));
    EXPECT_EQ(http.requests.back().url, "http://d/session/S/element/E7/click");
    http.answer = [](const Request&) { return HttpReply{200, R"({"value": "texto"})"}; };
    std::string text;
    ASSERT_TRUE(wd.text(element_reference("E7"), &text));
    EXPECT_EQ(text, "texto");
    EXPECT_EQ(http.requests.back().method, "GET");
}

// A driver that is ready, opens sessions "S1", "S2", ... and says whether the window lives.
struct FakeDriver {
    FakeHttp http;
    int sessions = 0;
    bool window = true;
    FakeDriver() {
        http.answer = [this](const Request& r) -> HttpReply {
            if (r.url.ends_with("/status")) return {200, R"({"value": {"ready": true}})"};
            if (r.method == "POST" && r.url.ends_with("/session"))
                return {200,
                        R"({"value": {"sessionId": "S)" + std::to_string(++sessions) + R"("}})"};
            if (r.url.ends_with("/window") && !window)
                return {404, R"({"value": {"error": "no such window", "message": ""}})"};
            return {200, R"({"value": null})"};
        };
    }
};

TEST(BrowserDriver, StartsTheDriverOnALocalPortReusesTheLiveSessionAndEndsItById) {
    FakeDriver d;
    FakeProcesses procs;
    {
        Browser b(procs, d.http, {"/usr/bin/chromedriver", "", true});
        WebDriver* wd = nullptr;
        ASSERT_TRUE(b.session(&wd));
        ASSERT_EQ(procs.started.size(), 1u);
        ASSERT_EQ(procs.started[0].size(), 2u);
        EXPECT_EQ(procs.started[0][0], "/usr/bin/chromedriver");
        const std::string port = procs.started[0][1].substr(7);
        EXPECT_EQ(procs.started[0][1].substr(0, 7), "--port=");
        EXPECT_EQ(d.http.requests.front().url, "http://127.0.0.1:" + port + "/status");
        Json caps;
        ASSERT_TRUE(parse_json(d.http.requests.back().body, &caps));
        const Json* match = caps.find("capabilities")->find("alwaysMatch");
        EXPECT_EQ(match->find("pageLoadStrategy")->text(), "none");
        const auto& args = match->find("goog:chromeOptions")->find("args")->items();
        EXPECT_TRUE(std::any_of(args.begin(), args.end(),
                                [](const Json& a) { return a.text() == "--headless=new"; }));

        ASSERT_TRUE(b.session(&wd));  // the window lives: the same session
        EXPECT_EQ(d.sessions, 1);
        d.window = false;  // the operator closed the browser: a new session, the same driver
        ASSERT_TRUE(b.session(&wd));
        EXPECT_EQ(d.sessions, 2);
        EXPECT_EQ(procs.started.size(), 1u);
        EXPECT_EQ(d.http.count("DELETE", "/session/S1"), 1);

        b.close();
        EXPECT_EQ(d.http.count("DELETE", "/session/S2"), 1);
        EXPECT_EQ(procs.stopped, std::vector<long>{1});
        EXPECT_FALSE(b.driver_running());
    }
    EXPECT_EQ(procs.stopped.size(), 1u);  // closing twice ends nothing more
}

TEST(BrowserDriver, ADriverThatCannotStartIsReported) {
    FakeDriver d;
    FakeProcesses procs;
    procs.result = Status::not_found("Não foi possível executar chromedriver: No such file");
    Browser b(procs, d.http, {});
    WebDriver* wd = nullptr;
    const Status st = b.session(&wd);
    EXPECT_EQ(st.code(), Status::Code::kNotFound);
    EXPECT_NE(st.message().find("chromedriver"), std::string::npos);
    EXPECT_FALSE(b.driver_running());
}

TEST(BrowserDriver, ChromiumArgumentsFollowTheSettings) {
    const auto visible = browser_arguments({"chromedriver", "", false}, false);
    EXPECT_EQ(std::count(visible.begin(), visible.end(), "--headless=new"), 0);
    EXPECT_EQ(std::count(visible.begin(), visible.end(), "--no-sandbox"), 0);
    const auto root = browser_arguments({"chromedriver", "", true}, true);
    EXPECT_EQ(std::count(root.begin(), root.end(), "--headless=new"), 1);
    EXPECT_EQ(std::count(root.begin(), root.end(), "--no-sandbox"), 1);
}

}  // namespace
}  // namespace vorn::output
