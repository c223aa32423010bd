// Where a movie's name leads, and whether the run may replace what it finds there.
//
// Under Wine a movie can be a Unix link that its attributes do not show, and every call
// that changes a file through such a name (attributes, delete, rename, overwrite) changes
// the file it leads to, outside the folder, while the link stays; nor can a Windows
// program remove the link itself. On a Unix disk, names that differ only in letter case
// are different files. So a movie is replaced only when its name opens the video folder's
// own entry of that name, and every change goes through the handle that was checked, so
// that a name put in its place in between is not followed.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "forms/FileSystemObject.h"
#include "forms/Handles.h"

namespace MovieLead {

// Text in the ANSI code page, as the program's paths are, in UTF-16.
std::wstring Widen(std::string_view text);

// A final path as a user writes it: "C:\..." or "\\server\...", in the ANSI code page.
std::string ShownPath(const std::wstring& finalPath);

// The longest path, in characters, that the system's file calls open (MAX_PATH with its NUL).
inline constexpr std::size_t kLongestPath = MAX_PATH - 1;

// The video folder, opened once for the run: the path that the system gives for it and
// the names of its entries, both from the folder's own handle.
class Folder {
public:
    Folder() = default;
    // path: the folder, without a backslash at its end.
    static Folder Open(const std::string& path);

    // ERROR_SUCCESS once opened and listed; otherwise why not.
    DWORD Error() const noexcept { return error_; }
    const std::wstring& FinalPath() const noexcept { return finalPath_; }
    // The entries whose names are `name` but for letter case, as the folder spells them;
    // the one spelled exactly so first.
    std::vector<std::wstring> EntriesNamed(std::wstring_view name) const;

private:
    DWORD error_ = ERROR_INVALID_HANDLE;
    forms::OwnedHandle handle_;
    std::wstring finalPath_;  // "\\?\C:\..." or "\\?\UNC\..."
    std::vector<std::wstring> entries_;
};

enum class Lead {
    Absent,      // nothing of this name can be seen or opened
    Here,        // the folder's own file of this name, and its only name
    Elsewhere,   // opens a file or folder by another path: a link
    OtherNames,  // a file with more names than this one (a hard link)
    Nowhere,     // a name that is there but opens nothing: a link to a missing file
    Folder,      // the folder's own entry of this name is a folder
    CaseTwins,   // more than one entry has this name but for letter case
    TooLong,     // a path longer than the file calls open
    Unopened,    // cannot be opened for another reason
};

// What a movie's name leads to. For a movie that is Here, `handle` is open on the file
// that was checked, with the rights to change its attributes and delete it unless
// another program (the running game) holds it without letting others do so.
struct Movie {
    Lead lead = Lead::Absent;
    forms::OwnedHandle handle;
    std::wstring finalPath;               // where the name led (Elsewhere)
    DWORD links = 0;                      // how many names the file has (OtherNames)
    bool folder = false;                  // a folder, not a file (Elsewhere, Folder)
    std::vector<std::wstring> spellings;  // the folder's entries of its name in any case,
                                          // the one spelled exactly so first
    std::size_t pathLength = 0;           // characters of its path (TooLong)
    DWORD error = ERROR_SUCCESS;          // why it did not open (Unopened)
};

// Where the movie `name` of the folder leads; folderText is the run's folder text, which
// ends in a backslash, and the folder is that folder, opened.
Movie Find(const Folder& folder, const std::string& folderText, std::string_view name);

// What the run's three changes of one movie left.
enum class Replaced {
    Yes,
    KeptOldContent,  // neither deleted nor written over
    Missing,         // deleted (or not there) and not made again
    Nowhere,         // a new movie could not be made: a link to a missing file is in the way
};

// The run's three changes of a movie that is Here or Absent, in its order, each skipped
// when it fails: its attributes cleared and the file deleted, through the handle that was
// checked, and the replacement copied to its name. The copy makes the movie new, which
// fails where anything is in the way instead of writing through it; only a movie that
// could not be deleted is written over, and only when its name still opens the file that
// was checked.
Replaced Replace(Movie& movie, const std::string& path, const std::string& replacement,
                 const forms::FileSystemObject& fso);

}  // namespace MovieLead
