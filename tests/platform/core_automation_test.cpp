#include "Dispatch.h"
#include "Library.h"
#include "SysUtils.h"
#include "core_test_support.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using coretest::ScopedRegistry;

// An in-process object with a method of each shape the suite's services use.
class Counter : public TAutoObject {
public:
    explicit Counter(bool* destroyed = nullptr)
        : TAutoObject("Test.Counter"), destroyed_(destroyed) {
        AddMethod("Add", 2, [](std::span<Variant> args) {
            return Variant(args[0].AsInteger() + args[1].AsInteger());
        });
        AddMethod("Join", -1, [](std::span<Variant> args) {
            std::string joined;
            for (const Variant& arg : args) {
                joined += VarToStr(arg);
            }
            return Variant(joined);
        });
        // CheckValue(table, out row): true with the row when the table is known.
        AddMethod("CheckValue", 2, [](std::span<Variant> args) {
            if (args[0].AsString() != "IPSMA") {
                return Variant(false);
            }
            SetOut(args[1], VarArrayOf({"A01", "Travel"}));
            return Variant(true);
        });
        AddMethod("Throw", 1, [](std::span<Variant> args) -> Variant {
            if (args[0].AsInteger() == 0) {
                throw std::out_of_range("index 7 out of range");
            }
            throw EConvertError("'x' is not a valid integer value");
        });
        AddProperty(
            "Count", [this] { return Variant(count_); },
            [this](const Variant& value) { count_ = value.AsInteger(); });
        AddProperty("Version", [] { return Variant("1.0"); });
        AddProperty("Secret", {}, [this](const Variant& value) { count_ = value.AsInteger(); });
    }

protected:
    ~Counter() override {
        if (destroyed_) {
            *destroyed_ = true;
        }
    }

private:
    bool* destroyed_;
    int count_ = 0;
};

void ExpectOleError(const std::function<void()>& action, std::vector<std::string> parts) {
    try {
        action();
        ADD_FAILURE() << "no EOleError";
    } catch (const EOleError& error) {
        for (const std::string& part : parts) {
            EXPECT_NE(error.Message().find(part), std::string::npos)
                << "'" << part << "' not in: " << error.Message();
        }
    }
}

TEST(Automation, CallsMembersByNameInAnyCase) {
    const Variant counter = Variant(MakeDispatch<Counter>());
    EXPECT_EQ(counter.Call("Add", {2, 3}).AsInteger(), 5);
    EXPECT_EQ(counter.Call("ADD", {2, 3}).AsInteger(), 5);
    EXPECT_EQ(counter.Call("join", {"a", 1, u"b", 2.5}).AsString(), "a1b2.5");
    EXPECT_EQ(counter.Call("Join").AsString(), "");

    counter.Put("count", 41);
    EXPECT_EQ(counter.Get("COUNT").AsInteger(), 41);
    EXPECT_EQ(counter.Call("Count").AsInteger(), 41); // a call without arguments reads
    EXPECT_EQ(counter.Get("Version").AsString(), "1.0");
    counter.Put("Secret", 7);
    EXPECT_EQ(counter.Get("Count").AsInteger(), 7);
}

TEST(Automation, OutArgumentsWriteBackByReference) {
    const Variant counter = Variant(MakeDispatch<Counter>());
    Variant row;
    EXPECT_TRUE(counter.Call("CheckValue", {"IPSMA", Variant::ByRef(row)}).AsBoolean());
    ASSERT_TRUE(VarIsArray(row));
    EXPECT_EQ(row[1].AsString(), "Travel");

    Variant untouched = "before";
    EXPECT_TRUE(counter.Call("CheckValue", {"IPSMA", untouched}).AsBoolean());
    EXPECT_EQ(untouched.AsString(), "before"); // passed by value
}

TEST(Automation, ErrorsNameTheMemberAndClass) {
    const Variant counter = Variant(MakeDispatch<Counter>());
    ExpectOleError([&] { counter.Call("Missing"); }, {"'Missing'", "'Test.Counter'"});
    ExpectOleError([&] { counter.Call("Add", {1}); }, {"'Add'", "1 given", "2 expected"});
    ExpectOleError([&] { counter.Get("Count", {1}); }, {"'Count'", "1 given"});
    ExpectOleError([&] { counter.Put("Version", "2.0"); }, {"'Version'", "cannot be written"});
    ExpectOleError([&] { counter.Put("Add", 1); }, {"'Add'", "cannot be written"});
    ExpectOleError([&] { counter.Get("Secret"); }, {"'Secret'", "cannot be read"});
    // Standard exceptions of the object arrive as automation errors; ours pass as they are.
    ExpectOleError([&] { counter.Call("Throw", {0}); }, {"index 7 out of range"});
    EXPECT_THROW(counter.Call("Throw", {1}), EConvertError);

    ExpectOleError([] { Variant().Call("Anything"); }, {"'Anything'", "Empty"});
    ExpectOleError([] { Variant("text").Get("Length"); }, {"'Length'", "String"});
    ExpectOleError([] { Variant(DispatchPtr()).Call("Add"); }, {"'Add'", "not assigned"});
}

TEST(Automation, ReferencesKeepObjectsAliveUntilTheLastGoes) {
    bool destroyed = false;
    {
        Variant first = Variant(MakeDispatch<Counter>(&destroyed));
        auto* object = static_cast<TAutoObject*>(first.AsDispatch().Get());
        EXPECT_EQ(object->RefCount(), 1);
        Variant copy = first;
        Variant array = VarArrayOf({first});
        EXPECT_EQ(object->RefCount(), 3);
        EXPECT_EQ(copy, first);
        EXPECT_NE(copy, Variant(MakeDispatch<Counter>()));
        first.Clear();
        copy = 1;
        EXPECT_FALSE(destroyed);
        EXPECT_EQ(array[0].Call("Add", {1, 1}).AsInteger(), 2);
    }
    EXPECT_TRUE(destroyed);
}

TEST(Automation, InProcessClassesComeFirst) {
    RegisterOleClass("Test.InProcess", [] { return MakeDispatch<Counter>(); });
    EXPECT_TRUE(IsOleClassRegistered("test.inprocess"));
    const Variant object = CreateOleObject("TEST.INPROCESS");
    EXPECT_EQ(object.Call("Add", {20, 22}).AsInteger(), 42);
    EXPECT_EQ(object.AsDispatch()->DispatchClassName(), "Test.Counter");

    RegisterOleClass("Test.InProcess", {});
    EXPECT_FALSE(IsOleClassRegistered("Test.InProcess"));
    const ScopedRegistry empty("");
    ExpectOleError([] { CreateOleObject("Test.InProcess"); },
                   {"'Test.InProcess'", "not registered"});

    RegisterOleClass("Test.Null", [] { return DispatchPtr(); });
    ExpectOleError([] { CreateOleObject("Test.Null"); }, {"'Test.Null'"});
    RegisterOleClass("Test.Null", {});
}

// The server library is registered as the suite registers its outside libraries.
constexpr const char* kRegistryText = "[HKEY_CLASSES_ROOT\\Test.OleServer]\n"
                                      "Library=TestOleServer.dll\n"
                                      "[HKEY_CLASSES_ROOT\\Test.Unserved]\n"
                                      "Library=TestOleServer.dll\n"
                                      "[HKEY_CLASSES_ROOT\\Test.NoLibrary]\n"
                                      "Description=registered without a library\n"
                                      "[HKEY_CLASSES_ROOT\\Test.MissingLibrary]\n"
                                      "Library=NoSuchServer.dll\n";

TEST(Automation, CreatesClassesFromRegisteredLibraries) {
    const ScopedRegistry registry(kRegistryText);
    const Variant server = CreateOleObject("test.oleserver");
    EXPECT_EQ(server.Call("Echo", {u"中文"}).AsString(), "中文");
    EXPECT_EQ(server.Call("add", {40, 2}).AsInteger(), 42);

    Variant head, tail;
    EXPECT_TRUE(
        server.Call("Split", {"E;000006", Variant::ByRef(head), Variant::ByRef(tail)}).AsBoolean());
    EXPECT_EQ(head.AsString(), "E");
    EXPECT_EQ(tail.AsString(), "000006");

    EXPECT_EQ(server.Get("Title").AsString(), "untitled");
    server.Put("Title", "report");
    EXPECT_EQ(server.Get("title").AsString(), "report");

    ExpectOleError([&] { server.Call("Missing"); }, {"'Missing'", "'Test.OleServer'"});
    ExpectOleError([&] { server.Call("Fail"); }, {"the server failed"});
}

TEST(Automation, RegistryFailuresNameClassAndLibrary) {
    const std::string platformLibrary =
        ModuleFileNameOf(reinterpret_cast<const void*>(&VarIsEmpty));
    const ScopedRegistry registry(std::string(kRegistryText) +
                                  "[HKEY_CLASSES_ROOT\\Test.NoFactory]\n"
                                  "Library=" +
                                  platformLibrary + "\n");
    ExpectOleError([] { CreateOleObject("Test.Unknown"); }, {"'Test.Unknown'", "not registered"});
    ExpectOleError([] { CreateOleObject(""); }, {"not registered"});
    ExpectOleError([] { CreateOleObject("Test.NoLibrary"); },
                   {"'Test.NoLibrary'", "without a library"});
    ExpectOleError([] { CreateOleObject("Test.MissingLibrary"); },
                   {"'Test.MissingLibrary'", "NoSuchServer.dll", "NoSuchServer.so"});
    ExpectOleError([] { CreateOleObject("Test.NoFactory"); },
                   {"'Test.NoFactory'", platformLibrary, "OleCreateObject"});
    ExpectOleError([] { CreateOleObject("Test.Unserved"); }, {"'Test.Unserved'", "does not serve"});
}

} // namespace
