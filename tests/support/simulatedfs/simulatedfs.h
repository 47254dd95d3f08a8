#ifndef SIMULATEDFS_H
#define SIMULATEDFS_H

// File system behaviour this machine's own file system does not show, for
// the tests of the programs linked with this library: it stands in front of
// the C library's open(), rename() and fsync(). Off until a test turns it on.

extern "C" {

// Opening an unnamed file (O_TMPFILE) fails as on a file system that has
// none (vfat, many network shares): the toolkit's saves then write a named
// temporary beside the document.
void plumdeck_simulate_named_temporaries(int on);

// The process is killed (SIGKILL) as its next rename begins: a save cut
// short with its temporary already named, just before it replaces the
// document.
void plumdeck_simulate_kill_at_rename(int on);

// The process is killed (SIGKILL) as soon as it has created, exclusively
// (O_CREAT | O_EXCL), a file whose path matches the shell pattern `pattern`;
// null: never.
void plumdeck_simulate_kill_after_creating(const char *pattern);

// While on, every rename() that worked and every fsync() is noted, in
// order, one line each: "rename <from> <to>", "fsync file <path>" or
// "fsync folder <path>" (paths as the calls name them or, for fsync, as
// /proc names the descriptor). Turning it on starts a new journal.
void plumdeck_simulate_journal(int on);
// The journal so far; valid until the next call that changes it.
const char *plumdeck_simulated_journal();

// Writes to files take `room` bytes more in all, then the disk is full: a
// write past it takes what fits, and the next one fails with ENOSPC, as the
// system does. Negative: no limit.
void plumdeck_simulate_disk_room(long long room);

// Syncing a folder fails with the system error `error` (0: never): at
// opening the folder (`atOpen`), or at its fsync().
void plumdeck_simulate_folder_sync_failure(int error, int atOpen);
}

#endif
