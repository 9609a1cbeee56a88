// The single-instance guard across processes: instance_guard.exe stands for the desktop
// program's start, instance_window.exe for any other program with a top-level window.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/CommUnit.h"

namespace {

std::string HelperPath(const char* name) {
    std::string self = os::System().ProgramFilePath();
    return self.substr(0, self.find_last_of('\\') + 1) + name;
}

// A helper process this test started; ended by its handle if it still runs at the end.
class Child {
  public:
    Child(const char* exe, const std::string& argument, const std::string& meeting = "") {
        std::string commandLine = "\"" + HelperPath(exe) + "\" \"" + argument + "\"";
        if (!meeting.empty()) commandLine += " \"" + meeting + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &pi)) {
            ::CloseHandle(pi.hThread);
            process_ = pi.hProcess;
        }
    }
    ~Child() {
        if (!process_) return;
        if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process_, 99);
            ::WaitForSingleObject(process_, 5000);
        }
        ::CloseHandle(process_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return process_ != nullptr; }
    // The exit code, or -1 when the process still runs after timeoutMs.
    long WaitForExit(DWORD timeoutMs) {
        if (::WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(process_, &code);
        return static_cast<long>(code);
    }

  private:
    HANDLE process_ = nullptr;
};

constexpr long kGaveWay = 3;  // instance_guard.exe: another copy runs

// Polls for a top-level window with that title; 0 when none appears within timeoutMs.
HWND WaitForWindow(const std::string& title, DWORD timeoutMs = 20000) {
    for (DWORD waited = 0;; waited += 50) {
        if (HWND w = ::FindWindowExA(nullptr, nullptr, nullptr, title.c_str())) return w;
        if (waited >= timeoutMs) return nullptr;
        ::Sleep(50);
    }
}

// Closes the helper that owns the window titled title and returns its exit code.
long CloseAndWait(Child& child, const std::string& title) {
    HWND w = ::FindWindowExA(nullptr, nullptr, nullptr, title.c_str());
    if (w) ::PostMessageA(w, WM_CLOSE, 0, 0);
    return child.WaitForExit(20000);
}

class InstanceGuard : public ::testing::Test {
  protected:
    void SetUp() override {
        // Every case starts without a desktop program stand-in or a window titled "Vesperon";
        // both are shared by everything under this Wine prefix, so this test must run alone.
        ASSERT_FALSE(os::System().NamedMutexExists(kDesktopRunningMutexName))
            << "another process under this Wine prefix holds the desktop program's mutex";
        ASSERT_EQ(::FindWindowExA(nullptr, nullptr, nullptr, kApplicationTitle), nullptr)
            << "another window titled \"Vesperon\" exists under this Wine prefix";
    }
};

TEST_F(InstanceGuard, SecondCopyEndsAtOnceWhileTheFirstRuns) {
    Child first("instance_guard.exe", "guard first");
    ASSERT_TRUE(first.Started());
    ASSERT_NE(WaitForWindow("guard first"), nullptr) << "the first copy did not start";
    EXPECT_TRUE(os::System().NamedMutexExists(kDesktopRunningMutexName));

    Child second("instance_guard.exe", "guard second");
    EXPECT_EQ(second.WaitForExit(20000), kGaveWay);
    EXPECT_EQ(::FindWindowExA(nullptr, nullptr, nullptr, "guard second"), nullptr);

    EXPECT_EQ(CloseAndWait(first, "guard first"), 0);
    EXPECT_FALSE(os::System().NamedMutexExists(kDesktopRunningMutexName));
}

TEST_F(InstanceGuard, AnyOtherWindowTitledVesperonKeepsItFromStarting) {
    Child other("instance_window.exe", kApplicationTitle);
    ASSERT_NE(WaitForWindow(kApplicationTitle), nullptr);

    Child guard("instance_guard.exe", "guard blocked");
    EXPECT_EQ(guard.WaitForExit(20000), kGaveWay);
    // Giving way, the copy did not keep the mutex it had taken.
    EXPECT_FALSE(os::System().NamedMutexExists(kDesktopRunningMutexName));
    EXPECT_EQ(CloseAndWait(other, kApplicationTitle), 0);
}

TEST_F(InstanceGuard, AProcessWithoutSuchWindowDoesNotStopIt) {
    // Stands for the service: running, but with no window titled "Vesperon" and no mutex.
    Child service("instance_window.exe", "ServiceVesperon");
    ASSERT_NE(WaitForWindow("ServiceVesperon"), nullptr);

    Child guard("instance_guard.exe", "guard beside service");
    ASSERT_NE(WaitForWindow("guard beside service"), nullptr) << "the guard gave way";
    EXPECT_EQ(CloseAndWait(guard, "guard beside service"), 0);
    EXPECT_EQ(CloseAndWait(service, "ServiceVesperon"), 0);
}

TEST_F(InstanceGuard, CopiesStartedTogetherLeaveExactlyOneRunning) {
    // The copies meet before the guard and run it at the same moment, so that no copy's window
    // search can see another copy's window: only the mutex tells them apart.
    const int kCopies = 4;
    const std::string meeting = "VesperonGuardMeeting" + std::to_string(::GetCurrentProcessId());
    HANDLE ready = ::CreateSemaphoreA(nullptr, 0, kCopies, (meeting + " ready").c_str());
    HANDLE go = ::CreateEventA(nullptr, TRUE, FALSE, (meeting + " go").c_str());
    ASSERT_TRUE(ready && go);
    std::vector<std::unique_ptr<Child>> copies;
    for (int i = 0; i < kCopies; ++i)
        copies.push_back(std::make_unique<Child>("instance_guard.exe",
                                                 "guard copy " + std::to_string(i), meeting));
    for (int i = 0; i < kCopies; ++i)
        ASSERT_EQ(::WaitForSingleObject(ready, 20000), WAIT_OBJECT_0) << "copies did not meet";
    ::SetEvent(go);
    ::CloseHandle(ready);
    ::CloseHandle(go);
    // Wait until all copies but one have ended.
    std::vector<long> codes(kCopies, -1);
    for (DWORD waited = 0; waited < 20000; waited += 50) {
        int ended = 0;
        for (int i = 0; i < kCopies; ++i) {
            if (codes[i] == -1) codes[i] = copies[i]->WaitForExit(0);
            if (codes[i] != -1) ++ended;
        }
        if (ended >= kCopies - 1) break;
        ::Sleep(50);
    }
    int gaveWay = 0;
    int running = -1;
    for (int i = 0; i < kCopies; ++i) {
        if (codes[i] == kGaveWay)
            ++gaveWay;
        else if (codes[i] == -1)
            running = i;
        else
            ADD_FAILURE() << "copy " << i << " ended with " << codes[i];
    }
    EXPECT_EQ(gaveWay, kCopies - 1);
    ASSERT_NE(running, -1);
    const std::string title = "guard copy " + std::to_string(running);
    ASSERT_NE(WaitForWindow(title), nullptr);
    EXPECT_EQ(CloseAndWait(*copies[running], title), 0);
}

}  // namespace
