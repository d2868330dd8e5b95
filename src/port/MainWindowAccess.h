#pragma once

#include <functional>
#include <string>
#include <utility>

#include "port/Platform.h"

namespace resolvo {

// What the procedures may ask of the main window while they run.
class MainWindowAccess {
public:
    virtual std::string ReadWebAddress() = 0;
    virtual WindowId Window() const = 0;

protected:
    ~MainWindowAccess() = default;
};

// An action the main window raises. It does nothing until a procedure is
// connected to it.
class WindowAction {
public:
    using Procedure = std::function<void(MainWindowAccess&)>;

    void Connect(Procedure procedure) { procedure_ = std::move(procedure); }
    void Raise(MainWindowAccess& window) const {
        if (procedure_) {
            procedure_(window);
        }
    }

private:
    Procedure procedure_;
};

// Load runs while the window is still hidden; Shown once it is on screen,
// for what the load has to tell the user.
struct MainWindowActions {
    WindowAction Load;
    WindowAction FixIt;
    WindowAction Shown;
};

}  // namespace resolvo
