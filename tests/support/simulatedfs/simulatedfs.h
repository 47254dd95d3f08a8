#ifndef SIMULATEDFS_H
#define SIMULATEDFS_H

// File system behaviour this machine's own file system does not show, for
// the tests of the programs linked with this library: it stands in front of
// the C library's open() and rename(). Off until a test turns it on.

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
}

#endif
