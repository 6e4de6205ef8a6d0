// Costs of the platform core against plain C++:
//  - a late-bound call by member name on an in-process automation object, three arguments,
//    against a virtual call through an interface (goal: at most 150 ns per call);
//  - a variant array of 100,000 texts copied deeply and walked, against a
//    std::vector<std::string> (goal: within three times).
#include "Dispatch.h"
#include "Variant.h"

#include <array>
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

constexpr int kTextCount = 100'000;

class ISummer {
public:
    virtual ~ISummer() = default;
    virtual std::int64_t Sum3(std::int64_t a, std::int64_t b, std::int64_t c) = 0;
};

// Not inlined, so the baseline is a real call even when the compiler guesses the target.
class Summer final : public ISummer {
public:
    __attribute__((noinline)) std::int64_t Sum3(std::int64_t a, std::int64_t b,
                                                std::int64_t c) override {
        return a + b + c;
    }
};

// A service-like object: a dozen members, the called one among them.
class SummerObject : public TAutoObject {
public:
    SummerObject() : TAutoObject("Bench.Summer") {
        for (const char* name :
             {"GetSysInfo", "GetCounter", "CheckValue", "QueryData", "F2GetData", "GetPhrase",
              "ShowInputDay", "CallHelp", "GetFileList", "GetMessage", "Request"}) {
            AddMethod(name, -1, [](std::span<Variant>) { return Variant(); });
        }
        AddMethod("Sum3", 3, [](std::span<Variant> args) {
            return Variant(args[0].AsInt64() + args[1].AsInt64() + args[2].AsInt64());
        });
    }
};

void DirectVirtualCall(benchmark::State& state) {
    Summer summer;
    ISummer* target = &summer;
    benchmark::DoNotOptimize(target); // keeps the call virtual
    std::int64_t a = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(target->Sum3(a, 2, 3));
        ++a;
    }
}
BENCHMARK(DirectVirtualCall);

// What service calls in the suite look like: Variant::Call with an argument list.
void LateBoundCallByName(benchmark::State& state) {
    const Variant object(MakeDispatch<SummerObject>());
    std::int64_t a = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(object.Call("sum3", {a, 2, 3}));
        ++a;
    }
}
BENCHMARK(LateBoundCallByName);

// The dispatch itself: arguments already in place, no list built per call.
void LateBoundInvokeByName(benchmark::State& state) {
    const DispatchPtr object = MakeDispatch<SummerObject>();
    std::array<Variant, 3> args = {Variant(1), Variant(2), Variant(3)};
    for (auto _ : state) {
        benchmark::DoNotOptimize(object->Invoke("SUM3", DispatchKind::Method, args));
    }
}
BENCHMARK(LateBoundInvokeByName);

std::string TextAt(int index) {
    return "Expense item " + std::to_string(index) + " / travel";
}

void TextVectorCopyAndWalk(benchmark::State& state) {
    std::vector<std::string> texts;
    for (int i = 0; i < kTextCount; ++i) {
        texts.push_back(TextAt(i));
    }
    for (auto _ : state) {
        const std::vector<std::string> copy = texts;
        std::size_t total = 0;
        for (const std::string& text : copy) {
            total += text.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kTextCount);
}
BENCHMARK(TextVectorCopyAndWalk)->Unit(benchmark::kMicrosecond);

Variant MakeTextArray() {
    Variant array = VarArrayCreate({0, kTextCount - 1}, varVariant);
    for (int i = 0; i < kTextCount; ++i) {
        array[i] = TextAt(i);
    }
    return array;
}

// Walking by index with VarToStr, as callers of the suite read argument arrays.
void VariantArrayCopyAndWalkByIndex(benchmark::State& state) {
    const Variant array = MakeTextArray();
    for (auto _ : state) {
        const Variant copy = array;
        std::size_t total = 0;
        const int high = VarArrayHighBound(copy, 1);
        for (int i = VarArrayLowBound(copy, 1); i <= high; ++i) {
            total += VarToStr(copy[i]).size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kTextCount);
}
BENCHMARK(VariantArrayCopyAndWalkByIndex)->Unit(benchmark::kMicrosecond);

// Walking the elements in place, reading each text without a copy.
void VariantArrayCopyAndWalkInPlace(benchmark::State& state) {
    const Variant array = MakeTextArray();
    for (auto _ : state) {
        const Variant copy = array;
        std::size_t total = 0;
        for (const Variant& element : copy.ArrayData()->Elements()) {
            total += element.TextView().size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kTextCount);
}
BENCHMARK(VariantArrayCopyAndWalkInPlace)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
