// The 32-bit watch hook of a 64-bit service (hook/hook_companion.h): the
// companion program is started with the hook library's set-up, told every
// switch of the filter, and started again if it has gone. A 32-bit service,
// or one installed without the companion, has nothing to do here: its own
// hook library sees every program.
#pragma once

#include <windows.h>

#include <string>

#include "common/com_holders.h"

namespace tb {

class HookCompanion {
  public:
    // program: the companion's path ("." and ".." are resolved).
    explicit HookCompanion(const std::wstring& program);

    void start(bool filterOn);  // with THInitialize
    void filterOn(bool on);     // with every THFilterOn

  private:
    bool running() const;
    void launch();

    std::wstring program_;
    ScopedHandle process_;
    bool started_ = false;
    bool on_ = true;
};

}  // namespace tb
