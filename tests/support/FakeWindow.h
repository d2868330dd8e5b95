#pragma once

#include <string>
#include <utility>

#include "port/MainWindowAccess.h"

namespace resolvo::testing {

// The main window as the procedures see it: an address box whose text the
// test sets, read reads counted.
class FakeWindow final : public MainWindowAccess {
public:
    explicit FakeWindow(std::string address = "http://", WindowId id = WindowId{42})
        : address_(std::move(address)), id_(id) {}

    std::string ReadWebAddress() override {
        ++reads;
        return address_;
    }
    WindowId Window() const override { return id_; }

    void SetAddress(std::string address) { address_ = std::move(address); }
    int reads = 0;

private:
    std::string address_;
    WindowId id_;
};

}  // namespace resolvo::testing
