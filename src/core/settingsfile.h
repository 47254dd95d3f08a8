#ifndef SETTINGSFILE_H
#define SETTINGSFILE_H

// The settings store on disk. It holds the password (scrambled, not
// encrypted), so only its owner may read it.
class SettingsFile
{
public:
    // Makes the store's file private: a missing one is created empty with
    // owner-only permissions, before the toolkit first writes it; an existing
    // one loses any permission for others. The toolkit rewrites the file
    // through a temporary that takes the old file's permissions, so it stays
    // private. A warning says when that could not be done.
    static void keepPrivate();

private:
    SettingsFile() = delete;
};

#endif
