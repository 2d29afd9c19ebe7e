// Copies of files being rewritten in place, kept until the write is done, and the ones an
// interrupted write left behind.
#pragma once

#include <string>
#include <vector>

#include "base/uniFileIO.h"

// The per-user folder that holds the copies: $XDG_STATE_HOME/pelmar/recovery, or
// ~/.local/state/pelmar/recovery without that variable. It must not be the program
// folder, which may be shared or read-only.
std::string RecoveryFolder();
// Replaces the folder (tests, a second configuration); empty restores the default.
void SetRecoveryFolder(std::string folder);

// The old contents of a file while it is rewritten in place: a copy in the recovery folder
// and a record naming the file, both removed by Finish. The record stays locked while the
// object lives, so a scan made meanwhile (by this or another process) does not offer it:
// only a copy whose writer is gone (killed, crashed) is found as left over.
class TRecoveryCopy {
public:
    TRecoveryCopy() = default;
    ~TRecoveryCopy(); // keeps copy and record: an unfinished write must stay restorable
    TRecoveryCopy(const TRecoveryCopy&) = delete;
    TRecoveryCopy& operator=(const TRecoveryCopy&) = delete;

    // Copies `original` (the file that is about to be rewritten) and records its name.
    TWriteResult Make(const std::string& original);
    // Writes the copy back into the original file.
    TWriteResult Restore() const;
    // Removes the copy and its record.
    void Finish();

    bool Made() const { return !copy_.empty(); }
    const std::string& Copy() const { return copy_; }

private:
    std::string original_;
    std::string copy_;
    std::string record_;
    int recordFd_ = -1; // holds the lock
};

// A copy whose write did not finish.
struct TLeftoverCopy {
    std::string original; // the file that was being written
    std::string copy;     // its contents from before that write
    std::string record;
};

// The leftovers in the recovery folder, oldest first. Copies still held by a running
// write are not listed.
std::vector<TLeftoverCopy> FindLeftoverCopies();
// Puts the copy's bytes back into the original file (in place: its folder need not be
// writable) and then removes copy and record. On failure both stay.
TWriteResult RestoreLeftoverCopy(const TLeftoverCopy& leftover);
// Removes copy and record without restoring.
void DiscardLeftoverCopy(const TLeftoverCopy& leftover);
