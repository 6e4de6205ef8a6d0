// bench-components: the selection panel's list under a big lookup result.
//   AddRow of n rows one by one with CheckDuplicate on and the list sorted (n = 10,000 and
//   100,000, with the growth ratio), and writing and reading back the saved value of a
//   100,000-row list. Runs offscreen.
#include "SelectPnl.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// prefix followed by the number (built in place: "literal" + std::string trips -Wrestrict).
std::string Numbered(const char* prefix, unsigned long number) {
    std::string text = prefix;
    text += std::to_string(number);
    return text;
}

// A lookup result in random order with about one row in ten repeated.
std::string RowCode(int i, int n) {
    unsigned v = static_cast<unsigned>(i) * 2654435761u % static_cast<unsigned>(n);
    if (i % 10 == 9)
        v = static_cast<unsigned>(i / 2);
    return Numbered("C", 100000000ul + v);
}

double AddRows(TForm* form, int n) {
    auto* sp = new TSelectPanel(form);
    sp->SetParent(form);
    sp->SetStyle(sp_Discrete);
    sp->SetCheckDuplicate(cd_CaseInsensitive);
    auto start = Clock::now();
    for (int i = 0; i < n; ++i)
        sp->AddRow({RowCode(i, n), Numbered("名称", static_cast<unsigned long>(i))});
    // The list view takes the rows when it is next read: that is part of the cost.
    int kept = sp->Items()->Count();
    double s = Seconds(start);
    std::printf("AddRow x %d (sorted, duplicates checked): %.3f s, %d rows kept\n", n, s, kept);
    sp->Free();
    return s;
}

void SaveValueRoundTrip(TForm* form, int n) {
    auto* sp = new TSelectPanel(form);
    sp->SetParent(form);
    sp->SetStyle(sp_Discrete);
    for (int i = 0; i < n; ++i)
        sp->AddRow({Numbered("C", static_cast<unsigned long>(i)),
                    Numbered("名称", static_cast<unsigned long>(i))});
    sp->Items()->Count(); // the list complete before it is written
    auto start = Clock::now();
    std::string saved = sp->SaveValue();
    double write = Seconds(start);
    auto* copy = new TSelectPanel(form);
    copy->SetParent(form);
    copy->SetStyle(sp_Discrete);
    start = Clock::now();
    copy->LoadSaveValue(saved);
    int rows = copy->Items()->Count();
    double read = Seconds(start);
    std::printf("spSaveValue of %d rows: write %.3f s, read %.3f s, total %.3f s (%zu bytes)\n",
                rows, write, read, write + read, saved.size());
    copy->Free();
    sp->Free();
}
} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto* form = Create<TForm>(nullptr);
    form->Show();
    double small = AddRows(form, 10000);
    double big = AddRows(form, 100000);
    std::printf("growth 10,000 -> 100,000: %.1fx (n log n would be about 12.5x)\n", big / small);
    SaveValueRoundTrip(form, 100000);
    form->Free();
    return 0;
}
