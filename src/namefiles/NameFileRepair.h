#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "namefiles/LineScan.h"
#include "namefiles/SafeRewrite.h"
#include "port/Failure.h"
#include "port/Platform.h"

namespace resolvo::namefiles {

// What a repair was doing when it failed: finding the folder of the files,
// backing one up, or rewriting it.
enum class RepairStage { Folder, Backup, Rewrite };

std::string_view FileName(NameFile file) noexcept;
std::string BackupName(NameFile file);

// The folder the name files are read from, as Windows names it, and whether
// it is the usual one, drivers\etc in the system directory.
struct NameFolder {
    std::string path;
    bool usual = true;
};

// A repair's failure, told of the name file and the stage it failed at,
// whatever file (a temporary one, a backup) the failing call was made on.
class NameFileFailure : public Failure {
public:
    NameFileFailure(const Failure& cause, NameFile file, RepairStage stage, NameFolder folder,
                    bool copiesLeft = false);

    NameFile File() const noexcept { return file_; }
    RepairStage Stage() const noexcept { return stage_; }
    const NameFolder& Folder() const noexcept { return folder_; }
    // The file (or, at the backup stage, its backup) is missing for now: a
    // replace stopped half way, and both copies stay beside it for the next
    // repair to put the newer one in its place.
    bool CopiesLeft() const noexcept { return copiesLeft_; }

private:
    NameFile file_;
    RepairStage stage_;
    NameFolder folder_;
    bool copiesLeft_;
};

// Comments out a site's lines in the name files, after a backup copy of
// both made once per run.
class NameFileRepair {
public:
    static constexpr int MaxLines = namefiles::MaxLines;

    // runTag names this run's temporary files. The settings say which
    // folder Windows reads the files from.
    NameFileRepair(Files& files, MachineSettings& settings, std::string runTag);

    // Comments out the lines that name a site by any of its names: as typed
    // and, for a name typed in Unicode, its ASCII form. Returns the folder it
    // repaired the files in, as Windows names it; raises a NameFileFailure.
    NameFolder RepairNameFiles(const std::vector<std::string>& names);

private:
    // What one repair knows of one file; attributes saved at a repair are
    // kept for a file that is missing at the next.
    struct Record {
        explicit Record(NameFile name) : file(name) {}

        NameFile file;
        std::string path;
        std::uint32_t attributes = 0;
        // Whether the saved attributes may be put back: not when the file
        // was there but its attributes could not be read.
        bool restorable = true;
        // All steps on the file wait from one budget.
        BusyBudget busy;
    };

    void LocateFolder();
    template <typename Work>
    void AtStage(const Record& record, RepairStage stage, Work&& work);
    void ClearLeftovers();
    void BackUpOnce();
    void BackUp(Record& record);
    void WriteBackup(const std::string& backup, std::string_view bytes, BusyBudget& busy);
    void Rewrite(Record& record, const std::vector<std::string>& names);
    void SaveAndClear(Record& record);
    void Restore(Record& record);

    Files& files_;
    MachineSettings& settings_;
    std::string runTag_;
    NameFolder folder_;
    // Where the program reaches the folder, which is not always its name.
    std::string reached_;
    std::array<Record, 2> records_{Record(NameFile::Hosts), Record(NameFile::Lmhosts)};
    // The folder whose files this run has backed up; a folder that Windows
    // has been set to read from meanwhile gets its own backups.
    std::string backedUpIn_;
};

}  // namespace resolvo::namefiles
