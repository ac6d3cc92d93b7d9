// What the benchmark programs share: a clock, figures with their spread, and
// the one table they all print into.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

double NowMs();

struct Figures {
    std::vector<double> values;
    void Add(double value) { values.push_back(value); }
    double Median() const;
    // The middle half of the runs: first to third quartile.
    double Quartile(int which) const;
};

// One row of the table: a figure of the program beside its reference, both
// measured in the same run, interleaved.
void PrintRow(const char *what, const Figures &program, const char *referenceName, const Figures &reference,
              const char *unit);
// A row that has no reference of its own (a count, or a note).
void PrintNote(const char *what, const std::string &text);

// A watch for a program that has none built in: a CBT hook procedure in a
// DLL, set on the program's first thread before that thread runs; the
// system loads the DLL into the program at the thread's first window.
struct ThreadWatch {
    HMODULE module;
    HOOKPROC procedure;
};

// Runs a program and waits for it; returns its exit code, or -1 (also when
// the watch could not be set).
int RunAndWait(const std::wstring &exe, const std::wstring &arguments, DWORD timeoutMs, double *startMs = nullptr,
               const ThreadWatch *watch = nullptr);
std::wstring BenchFolder();

// The shared figure a child writes (the time of its first paint, say).
#define BENCH_MAILBOX_NAME L"Local\\ZembrikBenchMailbox"
struct BenchMailbox {
    double firstPaintMs;
    int layoutsBeforeFirstPaint;
    int paintsBeforeFirstPaint;
    double layoutMs;     // spent in WM_SIZE layouts before the first paint
    double activationMs; // spent in WM_ACTIVATE, layouts inside it included
    double beforeShowMs; // the clock when wWinMain began
    // The process's peak working set at its first paint.
    double peakWorkingSetKb;
    // A key tone's start after its press, for the first press of a fresh
    // process and a later one (negative: no tone started).
    double firstToneMs, laterToneMs;
    // The class of the window whose first paint a ThreadWatch times.
    wchar_t watchedClass[64];
};
BenchMailbox *OpenMailbox(bool create);

// Writes the process's peak working set: what Wine reports, the kernel's
// high-water mark of the process's resident memory.
void RecordMemory(BenchMailbox *mailbox);
