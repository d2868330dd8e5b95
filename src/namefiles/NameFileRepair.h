#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "namefiles/LineScan.h"
#include "namefiles/SafeRewrite.h"
#include "port/Platform.h"

namespace resolvo::namefiles {

// Comments out a host's lines in the system's hosts and lmhosts files, after
// a backup copy of both made once per run.
class NameFileRepair {
public:
    static constexpr int MaxLines = namefiles::MaxLines;
    // A backup's name is the file's with this appended.
    static constexpr std::string_view BackupSuffix = ".rv2";

    // Lives for the whole run.
    struct State {
        std::string EtcDirectory;
        std::uint32_t HostsAttributes = 0;
        std::uint32_t LmhostsAttributes = 0;
        bool NameFilesBackedUp = false;
    };

    // runTag names this run's temporary files.
    NameFileRepair(Files& files, std::string runTag) : files_(files), runTag_(std::move(runTag)) {}

    void RepairNameFiles(const std::string& host) { RepairNameFiles(std::vector{host}); }
    // Comments out the lines that name a site by any of its names: as typed
    // and, for a name typed in Unicode, its ASCII form.
    void RepairNameFiles(const std::vector<std::string>& names);

    std::string GetEtcDirectory();
    void SaveAndClearAttributes();
    void RestoreAttributes();
    void CopyToBackup(const std::string& path);
    void CommentOutHost(const std::string& path, const std::vector<std::string>& names);

    const State& ModuleState() const noexcept { return state_; }

private:
    std::string HostsPath() const;
    std::string LmhostsPath() const;
    BusyBudget& BusyOf(const std::string& path);
    void BackUpOnce();
    void WriteBackup(const std::string& backup, std::string_view bytes, BusyBudget& busy);
    void Rewrite(const std::string& path, const std::vector<std::string>& names);
    bool SaveAndClear(const std::string& path, std::uint32_t& saved);
    void ClearReadOnly(const std::string& path);
    void Restore(const std::string& path, std::uint32_t saved, bool restorable);

    Files& files_;
    std::string runTag_;
    State state_;
    // Whether the saved attributes of each file may be put back: not when
    // the file was there but its attributes could not be read.
    bool restoreHosts_ = true;
    bool restoreLmhosts_ = true;
    // Each repair waits for each file from one budget.
    BusyBudget hostsBusy_;
    BusyBudget lmhostsBusy_;
};

}  // namespace resolvo::namefiles
