#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/Platform.h"

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
class FormAction {
public:
    using Procedure = std::function<void(MainWindowAccess&)>;

    void Connect(Procedure procedure) { procedure_ = std::move(procedure); }
    bool IsConnected() const noexcept { return static_cast<bool>(procedure_); }
    void Raise(MainWindowAccess& window) const {
        if (procedure_) {
            procedure_(window);
        }
    }

private:
    Procedure procedure_;
};

struct MainFormActions {
    FormAction Load;
    FormAction FixIt;
};

}  // namespace resolvo
