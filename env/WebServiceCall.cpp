// CallWebService: the web service is reached by the suite's outside library, which writes
// the answer into a temporary file that is read here and deleted.
#include "DateUtils.h"
#include "Dialogs.h"
#include "LibStrs.h"
#include "Library.h"
#include "XmlHelpers.h"

#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

constexpr std::string_view DefaultWebServiceLibrary = "CallWebService.dll";
constexpr const char* WebServiceFunction = "CallWebServiceFx";
constexpr std::string_view AnswerFilePrefix = "~Orvex_";
constexpr std::string_view AnswerFileStamp = "YYYYMMDDHHNNSSZZZ";
constexpr std::string_view AnswerFileExtension = ".tmp";
constexpr std::string_view TraceArgument = "T";
constexpr std::string_view TracePauseMessage =
    "跟踪测试中断!可在此时设置Dll之Modules。点\"OK\"继续。";
constexpr const char* CommandLineFile = "/proc/self/cmdline";
constexpr std::string_view AnswerLineEnd = "\r\n";

// address, method, request, answer file; the result is a status the caller does not need.
using CallWebServiceFx = int (*)(const char*, const char*, const char*, const char*);

std::string& LibraryName() {
    static std::string name(DefaultWebServiceLibrary);
    return name;
}

// The pause is a message dialog when the program shows windows; a program without a user
// interface has nobody to answer it, so it goes on at once.
void ShowTracePause(const std::string& message) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    MessageDlg(message, mtInformation, TMsgDlgButtons{mbOK});
}

TracePauseHandler& PauseHandler() {
    static TracePauseHandler handler = ShowTracePause;
    return handler;
}

// The program's arguments after its name, as the system started it.
std::vector<std::string> ProgramArguments() {
    std::ifstream in(CommandLineFile, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start < all.size();) {
        const auto end = all.find('\0', start);
        arguments.emplace_back(all.substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (!arguments.empty()) {
        arguments.erase(arguments.begin());
    }
    return arguments;
}

bool TracePauseRequested() {
    const std::vector<std::string> arguments = ProgramArguments();
    if (arguments.empty()) {
        return false;
    }
    const std::string& last = arguments.back();
    return last == TraceArgument || last == "t";
}

std::string AnswerFileName() {
    return GetTempDirectory() + std::string(AnswerFilePrefix) +
           FormatDateTime(AnswerFileStamp, Now()) + std::string(AnswerFileExtension);
}

// The file's lines (ended by CR LF, LF or CR), each followed by CR LF.
std::string ReadAnswerLines(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        const int error = errno != 0 ? errno : ENOENT;
        throw EInOutError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(error),
                          error);
    }
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    std::string answer;
    answer.reserve(content.size() + content.size() / 16);
    std::size_t start = 0;
    while (start < content.size()) {
        auto end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = content.size();
        }
        answer.append(content, start, end - start);
        answer += AnswerLineEnd;
        start = end + 1;
        if (end + 1 < content.size() && content[end] == '\r' && content[end + 1] == '\n') {
            ++start;
        }
    }
    return answer;
}

// Deletes the answer file however the call ends, so no answer stays behind in the
// temporary folder.
class AnswerFileGuard {
public:
    explicit AnswerFileGuard(std::string fileName) : fileName_(std::move(fileName)) {}
    ~AnswerFileGuard() { std::remove(fileName_.c_str()); }
    AnswerFileGuard(const AnswerFileGuard&) = delete;
    AnswerFileGuard& operator=(const AnswerFileGuard&) = delete;

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

} // namespace

const std::string& WebServiceLibrary() {
    return LibraryName();
}

void SetWebServiceLibrary(std::string name) {
    LibraryName() = std::move(name);
}

TracePauseHandler SetTracePauseHandler(TracePauseHandler handler) {
    TracePauseHandler previous = std::move(PauseHandler());
    PauseHandler() = std::move(handler);
    return previous;
}

std::string CallWebService(std::string_view address, std::string_view method,
                           std::string_view request) {
    const std::string answerFile = AnswerFileName();
    // Loaded for the life of the process, as the library expects.
    HMODULE library = LoadLibrary(LibraryName());

    if (TracePauseRequested() && PauseHandler()) {
        PauseHandler()(std::string(TracePauseMessage));
    }

    if (library == nullptr) {
        return {};
    }
    const auto call =
        reinterpret_cast<CallWebServiceFx>(GetProcAddress(library, WebServiceFunction));
    if (call == nullptr) {
        return {};
    }
    const AnswerFileGuard guard(answerFile);
    // A file left by a process that died must not pass for this call's answer.
    std::remove(guard.FileName().c_str());
    call(std::string(address).c_str(), std::string(method).c_str(), std::string(request).c_str(),
         guard.FileName().c_str());
    return ReadAnswerLines(guard.FileName());
}
