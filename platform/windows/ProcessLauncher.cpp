#include "platform/ProcessLauncher.h"

#include "platform/windows/WindowsApi.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "platform/StopSignal.h"
#include "platform/TextConversion.h"

namespace vorn::platform {

namespace {

// One argument as the C runtime's parser reads it back: quoted when it holds blanks or quotes
// (or is empty), backslashes doubled only where they precede a quote.
void AppendArgument(std::wstring& line, const std::wstring& arg) {
    if (!line.empty()) {
        line += L' ';
    }
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            line.append(backslashes * 2 + 1, L'\\');
        } else {
            line.append(backslashes, L'\\');
        }
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

// With more started processes than one wait can take, the reaper looks at them in turns this
// often.
constexpr DWORD kTurnMs = 200;
// One wait takes the wake event and this many processes.
constexpr std::size_t kPerWait = MAXIMUM_WAIT_OBJECTS - 1;

}  // namespace

struct ProcessLauncher::Reaper {
    struct Child {
        ProcessId pid;
        HANDLE process;
        std::filesystem::path program;
    };
    struct Ended {
        std::filesystem::path program;
        ProcessId pid;
        ProcessExit exit;
    };

    mutable std::mutex mutex;
    std::vector<Child> children;
    StopSignal wake;
    bool stopping = false;
    std::thread thread;
    // Held while the exit handler runs; separate from `mutex` so that the handler may ask the
    // launcher anything.
    std::mutex handlerMutex;
    ExitHandler exitHandler;
    std::size_t turn = 0;

    ~Reaper() {
        for (const Child& child : children) {
            ::CloseHandle(child.process);
        }
    }

    void Add(ProcessId pid, HANDLE process, const std::filesystem::path& program) {
        std::lock_guard lock(mutex);
        children.push_back({pid, process, program});
        if (!thread.joinable()) {
            thread = std::thread([this] { Run(); });
        }
        wake.Signal();
    }

    void Stop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.Signal();
        if (thread.joinable()) {
            thread.join();
        }
    }

    void Collect() {
        std::vector<Ended> ended;
        {
            std::lock_guard lock(mutex);
            for (auto it = children.begin(); it != children.end();) {
                if (::WaitForSingleObject(it->process, 0) != WAIT_OBJECT_0) {
                    ++it;
                    continue;
                }
                DWORD code = 0;
                ::GetExitCodeProcess(it->process, &code);
                ended.push_back({it->program, it->pid, ProcessExit{false, code}});
                ::CloseHandle(it->process);
                it = children.erase(it);
            }
        }
        if (!ended.empty()) {
            std::lock_guard lock(handlerMutex);
            for (const Ended& child : ended) {
                if (exitHandler) {
                    exitHandler(child.program, child.pid, child.exit);
                }
            }
        }
    }

    void Run() {
        while (true) {
            Collect();
            std::vector<HANDLE> handles;
            DWORD timeout = INFINITE;
            {
                std::lock_guard lock(mutex);
                if (stopping) {
                    return;
                }
                wake.Clear();
                handles.push_back(wake.native());
                const std::size_t count = children.size();
                if (count > kPerWait) {
                    timeout = kTurnMs;
                    turn = (turn + kPerWait) % count;
                }
                for (std::size_t i = 0; i < std::min(count, kPerWait); ++i) {
                    handles.push_back(children[(turn + i) % count].process);
                }
            }
            const DWORD rc = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                      handles.data(), FALSE, timeout);
            if (rc == WAIT_FAILED) {
                return;
            }
        }
    }
};

ProcessLauncher::ProcessLauncher() : reaper_(std::make_unique<Reaper>()) {}

ProcessLauncher::~ProcessLauncher() {
    reaper_->Stop();
}

ProcessLauncher& ProcessLauncher::Instance() {
    static ProcessLauncher launcher;
    return launcher;
}

ProcessId ProcessLauncher::Start(const std::filesystem::path& program,
                                 const std::vector<std::string>& args, int* error) {
    // No command line unless there are arguments; then the program's name comes first, as a
    // started program expects it in argv[0].
    std::wstring commandLine;
    if (!args.empty()) {
        AppendArgument(commandLine, program.wstring());
        for (const std::string& arg : args) {
            AppendArgument(commandLine, Utf8ToWide(arg));
        }
    }
    STARTUPINFOW startup;
    ::ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // A console program started from the tray program (the agent simulator) gets no console
    // window of its own beside the operator's windows; other programs are not affected.
    const BOOL started = ::CreateProcessW(
        program.c_str(), commandLine.empty() ? nullptr : commandLine.data(), nullptr, nullptr,
        FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    if (!started) {
        if (error != nullptr) {
            *error = static_cast<int>(::GetLastError());
        }
        return kNoProcess;
    }
    if (error != nullptr) {
        *error = 0;
    }
    ::CloseHandle(info.hThread);
    reaper_->Add(info.dwProcessId, info.hProcess, program);
    return info.dwProcessId;
}

void ProcessLauncher::SetExitHandler(ExitHandler handler) {
    std::lock_guard lock(reaper_->handlerMutex);
    reaper_->exitHandler = std::move(handler);
}

std::size_t ProcessLauncher::RunningChildren() const {
    std::lock_guard lock(reaper_->mutex);
    return reaper_->children.size();
}

}  // namespace vorn::platform
