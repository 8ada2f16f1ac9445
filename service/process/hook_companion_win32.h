// The 32-bit watch hook of a 64-bit service (hook/hook_companion.h): the
// companion program is started with the hook library's set-up, told every
// switch of the filter, and started again at once if it has gone (ended by
// force from the task list, say), so that 32-bit browsers are never left
// unwatched. A 32-bit service,
// or one installed without the companion, has nothing to do here: its own
// hook library sees every program.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "common/com_holders.h"

namespace tb {

class HookCompanion {
  public:
    // program: the companion's path ("." and ".." are resolved).
    explicit HookCompanion(const std::wstring& program);
    ~HookCompanion();
    HookCompanion(const HookCompanion&) = delete;
    HookCompanion& operator=(const HookCompanion&) = delete;

    void start(bool filterOn);  // with THInitialize
    void filterOn(bool on);     // with every THFilterOn

  private:
    static void CALLBACK ended(void* self, BOOLEAN timedOut);
    void relaunch();
    // With lock_ held.
    bool running() const;
    void launch();

    std::mutex lock_;  // the main thread and the wait's thread
    std::wstring program_;
    ScopedHandle process_;
    HANDLE wait_ = nullptr;  // until the companion ends
    DWORD launchedAt_ = 0;
    bool started_ = false;
    bool closing_ = false;
    bool on_ = true;
};

}  // namespace tb
