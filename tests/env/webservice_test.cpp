// CallWebService end to end: the module's call, the outside library CallWebService.so and
// a SOAP service played by a loopback HTTP server.
#include "Dialogs.h"
#include "TypInfo.h"
#include "XmlHelpers.h"
#include "core_test_support.h"
#include "webservice_test_server.h"

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using coretest::ScopedEnv;
using coretest::TempDir;
using webtest::HttpRequest;
using webtest::HttpResponse;
using webtest::LoopbackHttpServer;

constexpr std::string_view SoapHead =
    R"(<?xml version="1.0" encoding="utf-8"?>)"
    R"(<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>)";
constexpr std::string_view SoapTail = "</soap:Body></soap:Envelope>";

std::string Envelope(const std::string& body) {
    return std::string(SoapHead) + body + std::string(SoapTail);
}

std::string Escaped(const std::string& text) {
    std::string result;
    for (const char c : text) {
        result += c == '<' ? "&lt;" : c == '&' ? "&amp;" : std::string(1, c);
    }
    return result;
}

class WebServiceTest : public ::testing::Test {
protected:
    void TearDown() override { SetWebServiceLibrary("CallWebService.dll"); }

    // Answer files left in the temporary folder.
    std::vector<std::string> LeftoverFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(tmp_.Path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    TempDir tmp_;
    ScopedEnv tmpdir_{"TMPDIR", tmp_.Path().string()};
    // The loopback service must be reached directly whatever proxy the machine uses.
    ScopedEnv httpProxy_{"http_proxy", std::nullopt};
    ScopedEnv allProxy_{"ALL_PROXY", std::nullopt};
    ScopedEnv allProxyLower_{"all_proxy", std::nullopt};
    ScopedEnv timeout_{"STEWARD_WEBSERVICE_TIMEOUT_MS", "10000"};
};

TEST_F(WebServiceTest, TheRequestTravelsInAnEnvelopeAndTheResultComesBackByLines) {
    const std::string portalAnswer = "<Response>\n<Status code=\"0\" Description=\"成功\"/>\r\n"
                                     "<Record><Field name=\"Id\" value=\"u1\"/></Record>\n"
                                     "</Response>";
    LoopbackHttpServer server([&](const HttpRequest&) {
        return HttpResponse("200 OK", Envelope("<PORTAL.getAllUserResponse>"
                                               "<PORTAL.getAllUserResult>" +
                                               Escaped(portalAnswer) +
                                               "</PORTAL.getAllUserResult>"
                                               "</PORTAL.getAllUserResponse>"));
    });
    const std::string request = "<?xml version=\"1.0\"?>\r\n<Request a=\"1\">R&D 中文</Request>";

    const std::string answer = CallWebService(server.Url("/portal"), "PORTAL.getAllUser", request);

    EXPECT_EQ(answer, "<Response>\r\n<Status code=\"0\" Description=\"成功\"/>\r\n"
                      "<Record><Field name=\"Id\" value=\"u1\"/></Record>\r\n"
                      "</Response>\r\n");
    const TXmlDocument parsed = ParseXmlText(answer);
    EXPECT_EQ(GetAttr(ChildNode(parsed.DocumentElement(), "Status", false), "Description"), "成功");

    const std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].head.starts_with("POST /portal HTTP/1.1\r\n")) << requests[0].head;
    EXPECT_EQ(requests[0].Header("SOAPAction"), "\"PORTAL.getAllUser\"");
    EXPECT_EQ(requests[0].Header("Content-Type"), "text/xml; charset=utf-8");
    const TXmlDocument envelope = LoadXmlText(requests[0].body);
    const TXmlNode method = envelope.SelectSingleNode(
        "/*[local-name()='Envelope']/*[local-name()='Body']/PORTAL.getAllUser");
    ASSERT_TRUE(method) << requests[0].body;
    EXPECT_EQ(method.Text(), request);
    EXPECT_TRUE(LeftoverFiles().empty());
}

TEST_F(WebServiceTest, OnlyAResultFromASuccessfulEnvelopeCountsAsAnAnswer) {
    struct Case {
        std::string name, status, body;
        std::optional<std::string> answer; // nothing: no answer, the call raises
    };
    const std::vector<Case> cases{
        {"result element", "200 OK",
         Envelope("<m:GetResponse xmlns:m=\"urn:x\"><m:GetResult>a\nb</m:GetResult>"
                  "</m:GetResponse>"),
         "a\r\nb\r\n"},
        {"result after other elements", "200 OK",
         Envelope("<GetResponse><Note>n</Note><GetResult>r</GetResult></GetResponse>"), "r\r\n"},
        {"first child of the response", "200 OK",
         Envelope("<GetResponse><return>first</return><other>x</other></GetResponse>"),
         "first\r\n"},
        {"text of the response itself", "200 OK", Envelope("<GetResponse>only</GetResponse>"),
         "only\r\n"},
        {"empty result", "200 OK", Envelope("<GetResponse><GetResult/></GetResponse>"), ""},
        {"declared in another encoding", "200 OK",
         "<?xml version=\"1.0\" encoding=\"GB2312\"?>"
         "<Envelope><Body><R><GetResult>\xD6\xD0\xCE\xC4</GetResult></R></Body></Envelope>",
         "中文\r\n"},
        {"fault", "200 OK", Envelope("<soap:Fault><faultcode>soap:Server</faultcode></soap:Fault>"),
         std::nullopt},
        {"server error", "500 Internal Server Error",
         Envelope("<GetResponse><GetResult>x</GetResult></GetResponse>"), std::nullopt},
        {"redirect", "302 Found", "", std::nullopt},
        {"not XML", "200 OK", "plain text", std::nullopt},
        {"not an envelope", "200 OK", "<GetResult>x</GetResult>", std::nullopt},
        {"empty body", "200 OK", "", std::nullopt},
        {"envelope without body", "200 OK", "<Envelope><Header/></Envelope>", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackHttpServer server(
            [&](const HttpRequest&) { return HttpResponse(c.status, c.body); });
        if (c.answer) {
            EXPECT_EQ(CallWebService(server.Url(), "Get", "q"), *c.answer);
        } else {
            EXPECT_THROW(CallWebService(server.Url(), "Get", "q"), EInOutError);
        }
        EXPECT_EQ(server.Requests().size(), 1u);
        EXPECT_TRUE(LeftoverFiles().empty());
    }
}

TEST_F(WebServiceTest, AServiceThatNeverAnswersTimesOut) {
    ScopedEnv shortTimeout("STEWARD_WEBSERVICE_TIMEOUT_MS", "300");
    LoopbackHttpServer server([](const HttpRequest&) { return std::optional<std::string>(); });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(CallWebService(server.Url(), "Get", "q"), EInOutError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(LeftoverFiles().empty());
}

TEST_F(WebServiceTest, ARefusedConnectionGivesNoAnswer) {
    const std::string address =
        "http://127.0.0.1:" + std::to_string(webtest::UnusedLoopbackPort()) + "/service";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(CallWebService(address, "Get", "q"), EInOutError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_TRUE(LeftoverFiles().empty());
}

TEST_F(WebServiceTest, CallsTheLibraryRefusesAreNeverSent) {
    LoopbackHttpServer server([](const HttpRequest&) {
        return HttpResponse("200 OK", Envelope("<R><GetResult>x</GetResult></R>"));
    });
    struct Case {
        std::string name, address, method, request;
    };
    const std::vector<Case> cases{
        {"method with a blank", server.Url(), "Get All", "q"},
        {"method with a prefix", server.Url(), "m:Get", "q"},
        {"empty method", server.Url(), "", "q"},
        {"control character in the request", server.Url(), "Get", "a\x01z"},
        {"request that is not UTF-8", server.Url(), "Get", "\xD6\xD0"},
        {"file address", "file:///etc/passwd", "Get", "q"},
        {"empty address", "", "Get", "q"},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(CallWebService(c.address, c.method, c.request), EInOutError) << c.name;
    }
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(LeftoverFiles().empty());
}

TEST_F(WebServiceTest, WithoutTheLibraryOrItsFunctionTheAnswerIsEmpty) {
    const std::vector<std::string> libraries{
        tmp_.Path().string() + "/CallWebService.dll",
        (coretest::BinDir() / "libstewardvcl.so").string(),
    };
    for (const std::string& library : libraries) {
        SetWebServiceLibrary(library);
        EXPECT_EQ(CallWebService("http://127.0.0.1:1/", "Get", "q"), "") << library;
    }
    EXPECT_TRUE(LeftoverFiles().empty());
}

// ---- Trace pause ----------------------------------------------------------------------------

constexpr const char* TraceChildVariable = "STEWARD_TRACE_PAUSE_RESULT";

// Runs this test program again with extra arguments; the child writes what it saw into a file.
std::string RunChild(const std::vector<std::string>& extraArguments, const std::string& result) {
    // The child runs only the test that started it.
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::vector<std::string> arguments{"/proc/self/exe",
                                       "--gtest_filter=" + std::string(test->test_suite_name()) +
                                           "." + test->name()};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::filesystem::remove(result);
    ScopedEnv childMode(TraceChildVariable, result);
    pid_t child = 0;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0) {
        return "<spawn failed>";
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream in(result);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WebServiceTracePause, ALastArgumentTPausesBeforeTheCall) {
    if (const char* result = std::getenv(TraceChildVariable)) {
        // The child: record what the pause handler is shown.
        std::string seen = "no pause";
        SetTracePauseHandler([&](const std::string& message) { seen = "pause: " + message; });
        SetWebServiceLibrary("/nonexistent/CallWebService.dll");
        CallWebService("http://127.0.0.1:1/", "Get", "q");
        std::ofstream(result) << seen;
        return;
    }
    TempDir dir;
    const std::string result = (dir.Path() / "result.txt").string();
    EXPECT_EQ(RunChild({"T"}, result),
              "pause: 跟踪测试中断!可在此时设置Dll之Modules。点\"OK\"继续。");
    EXPECT_EQ(RunChild({"t"}, result),
              "pause: 跟踪测试中断!可在此时设置Dll之Modules。点\"OK\"继续。");
    EXPECT_EQ(RunChild({"T", "x"}, result), "no pause");
    EXPECT_EQ(RunChild({}, result), "no pause");
}

TEST(WebServiceTracePause, ByDefaultAWindowedProgramShowsAMessageDialog) {
    if (const char* result = std::getenv(TraceChildVariable)) {
        // The child: a windowed program; the dialog is answered through the modal seam.
        int argc = 1;
        char name[] = "child";
        char* argv[] = {name, nullptr};
        QApplication app(argc, argv);
        std::string seen = "no dialog";
        TModalHandlerScope answer([&](TCustomForm& form) -> TModalResult {
            seen = "dialog: " + GetStrPropByName(form.FindComponent("Message"), "Caption");
            return mrOk;
        });
        SetWebServiceLibrary("/nonexistent/CallWebService.dll");
        CallWebService("http://127.0.0.1:1/", "Get", "q");
        std::ofstream(result) << seen;
        return;
    }
    TempDir dir;
    const std::string result = (dir.Path() / "result.txt").string();
    EXPECT_EQ(RunChild({"T"}, result),
              "dialog: 跟踪测试中断!可在此时设置Dll之Modules。点\"OK\"继续。");
}

TEST(WebServiceTracePause, WithoutAHandlerThePauseDoesNotBlock) {
    const TracePauseHandler previous = SetTracePauseHandler(nullptr);
    SetWebServiceLibrary("/nonexistent/CallWebService.dll");
    EXPECT_EQ(CallWebService("http://127.0.0.1:1/", "Get", "q"), "");
    SetWebServiceLibrary("CallWebService.dll");
    SetTracePauseHandler(previous);
}

} // namespace
