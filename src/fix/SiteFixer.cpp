#include "fix/SiteFixer.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "fix/ExtractHost.h"
#include "fix/Launch.h"
#include "port/Ascii.h"
#include "port/Failure.h"
#include "port/Paths.h"
#include "port/Step.h"

#ifndef RESOLVO_FREESCAN_HOST
#error "RESOLVO_FREESCAN_HOST, the host of the product's web site, is set by the build"
#endif

namespace resolvo::fix {

const std::string_view FreeScanHost = RESOLVO_FREESCAN_HOST;

namespace {

constexpr std::string_view InternetExplorer = "Internet Explorer\\iexplore.exe";
constexpr int PageLoadWaitMs = 5000;
// The browser is started once the resolver cache is empty, or this long after
// the flush began.
constexpr int FlushWaitLimitMs = 10000;

constexpr char InvalidAddressMessage[] = "Invalid web address.";
constexpr char PageLoadedQuestion[] = "Did the page load successfully?";
constexpr char CorrectionKeptMessage[] =
    "The correction will remain within the system.\r\n\r\n"
    "You can now reactivate any web acceleration software that you use.";
constexpr char FreeScanOffer[] =
    "Unfortunately " RESOLVO_PRODUCT_NAME
    " is unable to solve your problem.\r\n\r\n"
    "Would you like to run a free all inclusive scan which may help you solve the problem?";
constexpr char BrowserNotStartedMessage[] =
    "Resolvo could not start your web browser. Please open this address in it yourself:\r\n\r\n";
constexpr char BrowserNotWithoutRightsMessage[] =
    "Resolvo did not start your web browser, because it would have run with administrator rights. Please "
    "open this address in it yourself:\r\n\r\n";
constexpr char AddressTooLongMessage[] =
    "Resolvo did not start your web browser, because this address is too long for Resolvo to hand on to "
    "it. Please open the address in it yourself:\r\n\r\n";

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

// Backslashes just before the closing quote would escape it for the usual
// command-line parser; doubled, they reach the browser as they are. (Where
// all are backslashes, npos + 1 wraps to 0 and all are doubled.) A web
// address holds no quote or blank: they go escaped.
std::string AddressArgument(std::string address) {
    address.append(address.size() - (address.find_last_not_of('\\') + 1), '\\');
    return Quoted(address);
}

}  // namespace

// Internet Explorer where this Windows keeps it: a folder of that name
// elsewhere (C:\Program Files on a Windows on another drive, or in
// another language) is one any user may have made. Where Windows names no
// such folder, or Internet Explorer has been removed, there is none.
std::optional<std::string> SiteFixer::InternetExplorerPath() {
    std::optional<std::string> path;
    RunStep([&] { path = JoinPath(platform_.ProgramFilesFolder(), InternetExplorer); });
    if (path && !platform_.FileExists(*path)) {
        path.reset();
    }
    return path;
}

// Without Internet Explorer the default browser opens the page. A browser
// that did not start is said, with the address to open by hand.
void SiteFixer::OpenInBrowser(const std::string& address) {
    Launch launch = Launch::Started;
    try {
        const std::optional<std::string> browser = InternetExplorerPath();
        launch = browser ? StartProgramUnelevated(platform_, *browser, AddressArgument(address))
                         : OpenAddressUnelevated(platform_, address);
    } catch (const Failure&) {
        platform_.ShowMessage(BrowserNotStartedMessage + address, MessageKind::Critical);
        return;
    }
    if (launch == Launch::OnlyWithRights) {
        platform_.ShowMessage(BrowserNotWithoutRightsMessage + address, MessageKind::OkOnly);
    }
    if (launch == Launch::TooLong) {
        platform_.ShowMessage(AddressTooLongMessage + address, MessageKind::OkOnly);
    }
}

// A name typed in Unicode may stand in the files in its ASCII form too; both
// are looked for in one pass, so that a line naming both is marked once.
void SiteFixer::RepairNameFiles(const std::string& host) {
    std::vector<std::string> names{host};
    if (std::any_of(host.begin(), host.end(), IsNonAscii)) {
        RunStep([&] { names.push_back(platform_.AsciiHostName(host)); });
    }
    nameFiles_.RepairNameFiles(names);
}

// The address is checked whole before anything changes: the browser, whichever
// it is, is only ever handed an http or https address.
void SiteFixer::RunFix(MainWindowAccess& window) {
    std::string host;
    std::string address;
    RunStep([&] {
        const std::string typed = window.ReadWebAddress();
        host = ExtractHost(typed);
        address = BrowsableAddress(typed);
    });
    if (host.empty() || address.empty()) {
        RunStep([&] { platform_.ShowMessage(InvalidAddressMessage, MessageKind::Critical); });
        return;
    }
    // A name file maps names to addresses: none of its lines can be why an
    // address typed as such does not load, and a line that holds it may be
    // any other name's (localhost's, or a blocklist's).
    if (!IsIpLiteral(host)) {
        RunStep([&] {
            try {
                RepairNameFiles(host);
            } catch (const Failure& failure) {
                platform_.ShowMessage(RepairFailedMessage(failure), MessageKind::Critical);
            }
        });
    }
    // Without the system directory there is no flush: a bare "ipconfig" would
    // be looked for in the program's own folder and the current folder first.
    RunStep([&] {
        platform_.RunCommand(SystemProgram(platform_, "ipconfig.exe") + " /flushdns", WindowStyle::Hidden,
                             FlushWaitLimitMs);
    });
    RunStep([&] { OpenInBrowser(address); });
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
