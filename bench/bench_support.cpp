#include "bench_support.h"

#include <psapi.h>
#include <stdio.h>

#include <algorithm>

double NowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double Figures::Quartile(int which) const
{
    if (values.empty())
        return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    double position = (sorted.size() - 1) * which / 4.0;
    size_t below = (size_t)position;
    size_t above = below + 1 < sorted.size() ? below + 1 : below;
    double fraction = position - below;
    return sorted[below] + (sorted[above] - sorted[below]) * fraction;
}

double Figures::Median() const
{
    return Quartile(2);
}

static void Format(char *out, size_t capacity, double value)
{
    if (value >= 100)
        snprintf(out, capacity, "%.0f", value);
    else if (value >= 10)
        snprintf(out, capacity, "%.1f", value);
    else
        snprintf(out, capacity, "%.3g", value);
}

void PrintRow(const char *what, const Figures &program, const char *referenceName, const Figures &reference,
              const char *unit)
{
    char p[32], r[32], p1[32], p3[32], r1[32], r3[32], ratio[32];
    Format(p, sizeof(p), program.Median());
    Format(r, sizeof(r), reference.Median());
    Format(p1, sizeof(p1), program.Quartile(1));
    Format(p3, sizeof(p3), program.Quartile(3));
    Format(r1, sizeof(r1), reference.Quartile(1));
    Format(r3, sizeof(r3), reference.Quartile(3));
    if (reference.Median() > 0)
        snprintf(ratio, sizeof(ratio), "%.2f", program.Median() / reference.Median());
    else
        snprintf(ratio, sizeof(ratio), "-");
    printf("| %s | %s %s (%s-%s) | %s: %s %s (%s-%s) | %s | %zu |\n", what, p, unit, p1, p3, referenceName, r, unit, r1,
           r3, ratio, program.values.size());
    fflush(stdout);
}

void PrintNote(const char *what, const std::string &text)
{
    printf("| %s | %s | | | |\n", what, text.c_str());
    fflush(stdout);
}

std::wstring BenchFolder()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

int RunAndWait(const std::wstring &exe, const std::wstring &arguments, DWORD timeoutMs, double *startMs,
               const ThreadWatch *watch)
{
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (startMs)
        *startMs = NowMs();
    if (!CreateProcessW(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, watch ? CREATE_SUSPENDED : 0, NULL, NULL,
                        &startup, &process))
        return -1;
    HHOOK hook = NULL;
    if (watch) {
        hook = SetWindowsHookExW(WH_CBT, watch->procedure, watch->module, process.dwThreadId);
        if (!hook) {
            TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            return -1;
        }
        ResumeThread(process.hThread);
    }
    CloseHandle(process.hThread);
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 99);
    if (hook)
        UnhookWindowsHookEx(hook);
    CloseHandle(process.hProcess);
    return (int)code;
}

BenchMailbox *OpenMailbox(bool create)
{
    HANDLE mapping = create ? CreateFileMappingW(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(BenchMailbox),
                                                 BENCH_MAILBOX_NAME)
                            : OpenFileMappingW(FILE_MAP_WRITE, FALSE, BENCH_MAILBOX_NAME);
    if (!mapping)
        return NULL;
    return (BenchMailbox *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(BenchMailbox));
}

void RecordMemory(BenchMailbox *mailbox)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        mailbox->peakWorkingSetKb = counters.PeakWorkingSetSize / 1024.0;
}
