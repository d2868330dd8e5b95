#include "fix/SiteFixer.h"

#include <optional>
#include <string>

#include "fix/ExtractHost.h"
#include "port/Paths.h"
#include "port/Step.h"

#ifndef RESOLVO_FREESCAN_HOST
#error "RESOLVO_FREESCAN_HOST, the host of the product's web site, is set by the build"
#endif

namespace resolvo::fix {

const std::string_view FreeScanHost = RESOLVO_FREESCAN_HOST;

namespace {

constexpr std::string_view BrowserPath = "C:\\Program Files\\Internet Explorer\\iexplore.exe";
constexpr int PageLoadWaitMs = 5000;

constexpr char InvalidAddressMessage[] = "Invalid web address.";
constexpr char PageLoadedQuestion[] = "Did the page load successfully?";
constexpr char CorrectionKeptMessage[] =
    "The correction will remain within the system.\r\n\r\n"
    "You can now reactivate any web acceleration software that you use.";
constexpr char FreeScanOffer[] =
    "Unfortunately Resolvo 2.0 is unable to solve your problem.\r\n\r\n"
    "Would you like to run a free all inclusive scan which may help you solve the problem?";

std::string FreeScanAddress() {
    return "http://" + std::string(FreeScanHost) + "/freescan.html";
}

// The address travels as one quoted argument whatever the user typed: a
// quote inside it would end the argument early and let the rest pass as
// further arguments, so it goes as %22, which the browser reads as a quote.
std::string AddressArgument(std::string_view address) {
    std::string argument;
    argument.reserve(address.size());
    for (const char c : address) {
        if (c == '"') {
            argument += "%22";
        } else {
            argument += c;
        }
    }
    // Backslashes just before the closing quote would escape it for the usual
    // command-line parser; doubled, they reach the browser as typed.
    const std::size_t kept = argument.find_last_not_of('\\');
    argument.append(argument.size() - (kept == std::string::npos ? 0 : kept + 1), '\\');
    return Quoted(argument);
}

}  // namespace

void SiteFixer::OpenInBrowser(std::string_view address) {
    // Unquoted, the browser's path would make Windows try C:\Program.exe
    // first, which anybody allowed to write to C:\ could have put there.
    platform_.RunCommand(Quoted(BrowserPath) + " " + AddressArgument(address), WindowStyle::NormalFocus,
                         false);
}

void SiteFixer::RunFix(MainWindowAccess& window) {
    std::string host;
    RunStep([&] { host = ExtractHost(window.ReadWebAddress()); });
    if (host.empty()) {
        RunStep([&] { platform_.ShowMessage(InvalidAddressMessage, MessageKind::Critical); });
        return;
    }
    RunStep([&] { nameFiles_.RepairNameFiles(host); });
    // Without the system directory there is no flush: a bare "ipconfig" would
    // be looked for in the program's own folder and the current folder first.
    RunStep([&] {
        platform_.RunCommand(SystemProgram(platform_, "ipconfig.exe") + " /flushdns", WindowStyle::Hidden,
                             false);
    });
    // Read again rather than reused: the browser gets exactly what the box
    // holds now, scheme and path included.
    RunStep([&] { OpenInBrowser(window.ReadWebAddress()); });
    RunStep([&] { platform_.Pause(PageLoadWaitMs); });
    RunStep([&] { platform_.ActivateWindow(window.Window()); });

    // Stays empty if the question could not be asked: then neither follow-up
    // is shown.
    std::optional<MessageAnswer> loaded;
    RunStep([&] { loaded = platform_.ShowMessage(PageLoadedQuestion, MessageKind::YesNo); });
    if (loaded == MessageAnswer::Yes) {
        RunStep([&] { platform_.ShowMessage(CorrectionKeptMessage, MessageKind::OkOnly); });
    }
    if (loaded == MessageAnswer::No) {
        RunStep([&] {
            if (platform_.ShowMessage(FreeScanOffer, MessageKind::YesNo) == MessageAnswer::Yes) {
                OpenInBrowser(FreeScanAddress());
            }
        });
    }
}

}  // namespace resolvo::fix
