#pragma once

#include <string>
#include <utility>

#include "port/MainWindowAccess.h"

namespace resolvo::testing {

// The main window as the procedures see it: the address box's text.
struct FakeWindow final : MainWindowAccess {
    explicit FakeWindow(std::string text, WindowId window = WindowId{42})
        : address(std::move(text)), id(window) {}
    std::string ReadWebAddress() override { return address; }
    WindowId Window() const override { return id; }

    std::string address;
    WindowId id;
};

}  // namespace resolvo::testing
