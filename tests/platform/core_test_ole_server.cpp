// A small automation server library, built as "TestOleServer.so": the tests register it in a
// temporary registry file and create its class by ProgID, as the suite does with its
// outside libraries.
#include "Dispatch.h"
#include "Library.h"
#include "SysUtils.h"

#include <stdexcept>

namespace {

constexpr const char* kProgId = "Test.OleServer";

class EchoServer : public TAutoObject {
public:
    EchoServer() : TAutoObject(kProgId) {
        AddMethod("Echo", 1, [](std::span<Variant> args) { return args[0]; });
        AddMethod("Add", 2, [](std::span<Variant> args) {
            return Variant(args[0].AsInt64() + args[1].AsInt64());
        });
        // Split(text, out head, out tail): the text around its first ';'.
        AddMethod("Split", 3, [](std::span<Variant> args) {
            const std::string text = args[0].AsString();
            const auto pos = text.find(';');
            SetOut(args[1], text.substr(0, pos));
            SetOut(args[2], pos == std::string::npos ? std::string() : text.substr(pos + 1));
            return Variant(pos != std::string::npos);
        });
        AddMethod("Fail", 0, [](std::span<Variant>) -> Variant {
            throw std::runtime_error("the server failed");
        });
        AddProperty(
            "Title", [this] { return Variant(title_); },
            [this](const Variant& value) { title_ = value.AsString(); });
    }

private:
    std::string title_ = "untitled";
};

} // namespace

extern "C" __attribute__((visibility("default"))) IDispatch* OleCreateObject(const char* progId) {
    if (LowerAscii(progId) != LowerAscii(kProgId)) {
        return nullptr;
    }
    return MakeDispatch<EchoServer>().Detach();
}

// Loads a library as code in this library would, to show the search starts beside it.
extern "C" __attribute__((visibility("default"))) HMODULE TestLoadBeside(const char* name) {
    return LoadLibrary(name);
}
