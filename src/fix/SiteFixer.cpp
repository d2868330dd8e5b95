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

std::string ReasonFor(const Failure& failure, const Explanation& explanation) {
    return explanation.reason != nullptr ? explanation.reason
                                         : "Windows reported error " + std::to_string(failure.Code());
}

std::string Quote(std::string_view name) {
    return '"' + std::string(name) + '"';
}

// What the failed stage attempted, and what became of the files.
std::string Attempt(const namefiles::NameFileFailure& failure) {
    const std::string file = Quote(namefiles::FileName(failure.File()));
    return failure.Stage() == namefiles::RepairStage::Backup
               ? "back up the file " + file + " to " + Quote(namefiles::BackupName(failure.File()))
               : "repair the file " + file;
}

std::string Outcome(const namefiles::NameFileFailure& failure) {
    const bool backup = failure.Stage() == namefiles::RepairStage::Backup;
    if (!failure.CopiesLeft()) {
        return backup ? "Both files were left unchanged." : "The file was left unchanged.";
    }
    const std::string missing =
        Quote(backup ? namefiles::BackupName(failure.File()) : std::string(namefiles::FileName(failure.File())));
    return missing +
           " is missing for now: its old and its new copy are both in that folder, and the next Fix It puts "
           "the newer one in its place." +
           (backup ? " The file " + Quote(namefiles::FileName(failure.File())) + " was left unchanged." : "");
}

std::string BothFiles() {
    return std::string(namefiles::FileName(namefiles::NameFile::Hosts)) + " and " +
           std::string(namefiles::FileName(namefiles::NameFile::Lmhosts));
}

// Malware that takes over web addresses often points Windows at a folder of
// its own; that Windows reads the files from elsewhere is itself worth a word.
constexpr char UnusualFolderWarning[] =
    "drivers\\etc in the system folder: a program may have changed that to take over web addresses, and your "
    "virus checker can look for it.";

// A failed backup is told as such: the name file was then left unrepaired.
std::string RepairFailedMessage(const namefiles::NameFileFailure& failure) {
    const Explanation explanation = Explain(failure.Code());
    const std::string reason = ReasonFor(failure, explanation);
    if (failure.Stage() == namefiles::RepairStage::Folder) {
        return "Resolvo could not repair the " + BothFiles() + " files: " + reason +
               ". They were left unchanged.\r\n\r\n" + explanation.advice;
    }
    const std::string note = failure.Folder().usual ? ""
                                                    : "\r\n\r\nWindows reads the " + BothFiles() +
                                                          " files from that folder, not from the usual one, " +
                                                          UnusualFolderWarning;
    return "Resolvo could not " + Attempt(failure) + " in " + JoinPath(failure.Folder().path, "") + ": " +
           reason + ". " + Outcome(failure) + "\r\n\r\n" + explanation.advice + note;
}

// Said once in a run: the files were repaired where Windows reads them.
std::string RepairedElsewhereMessage(const std::string& folder) {
    return "Resolvo made its fix in the " + BothFiles() + " files in " + JoinPath(folder, "") +
           ", the folder Windows reads them from. It is not the usual folder, " + UnusualFolderWarning;
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
    const namefiles::NameFolder folder = nameFiles_.RepairNameFiles(names);
    if (!folder.usual && !folderTold_) {
        folderTold_ = true;
        platform_.ShowMessage(RepairedElsewhereMessage(folder.path), MessageKind::OkOnly);
    }
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
            } catch (const namefiles::NameFileFailure& failure) {
                folderTold_ = folderTold_ || !failure.Folder().usual;
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
