#include "fix/SiteFixer.h"

#include <optional>
#include <string>

#include "fix/ExtractHost.h"
#include "fix/Launch.h"
#include "port/Failure.h"
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
    "Unfortunately " RESOLVO_PRODUCT_NAME
    " is unable to solve your problem.\r\n\r\n"
    "Would you like to run a free all inclusive scan which may help you solve the problem?";

// A repair that failed is told, with what the user can do about it; the
// fix goes on after it as it would have anyway.
struct Explanation {
    const char* reason;
    const char* advice;
};

Explanation Explain(std::uint32_t code) {
    switch (code) {
        case error_code::SharingViolation:
        case error_code::LockViolation:
        case error_code::UnableToRemoveReplaced:
        case error_code::UnableToMoveReplacement:
        case error_code::UnableToMoveReplacement2:
            return {"another program is using it",
                    "Close other programs, such as your virus checker, and press Fix It again."};
        case error_code::AccessDenied:
            return {"Windows did not allow Resolvo to change it",
                    "Make sure that your virus checker or firewall lets Resolvo change it, and press Fix It "
                    "again."};
        case error_code::FileTooLarge:
            return {"it has more than 10,000 lines",
                    "Resolvo repairs files of up to 10,000 lines. You can edit this one in Notepad, run as "
                    "administrator."};
        case error_code::UnsupportedType:
            return {
                "it is saved as Unicode text, which Resolvo does not change",
                "You can edit it in Notepad, run as administrator, or save it there as ANSI text and press "
                "Fix It again."};
        case error_code::AlreadyExists:
            return {"a folder of that name is in its place",
                    "Move or rename that folder, as administrator, and press Fix It again."};
        case error_code::PathNotFound:
            return {"the folder drivers\\etc does not exist",
                    "Create that folder in the system folder, as administrator, and press Fix It again."};
        case error_code::DiskFull:
        case error_code::HandleDiskFull:
            return {"the disk is full", "Free some space on the disk and press Fix It again."};
        default:
            return {nullptr, "Press Fix It again. If this comes back, restart Windows and try once more."};
    }
}

// A failed backup is told as such: the name file was then left unrepaired.
std::string RepairFailedMessage(const Failure& failure) {
    const Explanation explanation = Explain(failure.Code());
    const std::string reason = explanation.reason != nullptr
                                   ? explanation.reason
                                   : "Windows reported error " + std::to_string(failure.Code());
    const std::string& path = failure.Subject();
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos) {
        return "Resolvo could not repair the hosts and lmhosts files: " + reason +
               ". They were left unchanged.\r\n\r\n" + explanation.advice;
    }
    const std::string folder = path.substr(0, slash + 1);
    std::string name = path.substr(slash + 1);
    const bool backup = name.ends_with(namefiles::NameFileRepair::BackupSuffix);
    const std::string what =
        backup ? "back up the file \"" +
                     name.erase(name.size() - namefiles::NameFileRepair::BackupSuffix.size()) + "\" to \"" +
                     path.substr(slash + 1) + "\""
               : "repair the file \"" + name + "\"";
    return "Resolvo could not " + what + " in " + folder + ": " + reason + ". " +
           (backup ? "Both files were" : "The file was") + " left unchanged.\r\n\r\n" + explanation.advice;
}

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
    // (Where all are backslashes, npos + 1 wraps to 0 and all are doubled.)
    argument.append(argument.size() - (argument.find_last_not_of('\\') + 1), '\\');
    return Quoted(argument);
}

}  // namespace

// Where Internet Explorer has been removed (or Windows is not on C:), the
// default browser opens the page instead; only a web address is ever handed
// to the shell for that.
void SiteFixer::OpenInBrowser(std::string_view address) {
    if (platform_.FileExists(std::string(BrowserPath))) {
        StartProgramUnelevated(platform_, std::string(BrowserPath), AddressArgument(address));
        return;
    }
    const std::string web = BrowsableAddress(address);
    if (web.empty()) {
        throw Failure("OpenAddress", std::string(address), error_code::UnsupportedType);
    }
    OpenAddressUnelevated(platform_, web);
}

void SiteFixer::RunFix(MainWindowAccess& window) {
    std::string host;
    RunStep([&] { host = ExtractHost(window.ReadWebAddress()); });
    if (host.empty()) {
        RunStep([&] { platform_.ShowMessage(InvalidAddressMessage, MessageKind::Critical); });
        return;
    }
    RunStep([&] {
        try {
            nameFiles_.RepairNameFiles(host);
        } catch (const Failure& failure) {
            platform_.ShowMessage(RepairFailedMessage(failure), MessageKind::Critical);
        }
    });
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
