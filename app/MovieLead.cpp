#include "app/MovieLead.h"

#include <algorithm>

#include "forms/Runtime.h"

namespace MovieLead {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kNormalAttributes = 0;

// The rights a movie is opened with, most first. The running game may hold a movie
// without letting others delete it, and a player may not be let to change it at all:
// such a movie opens with fewer rights, so that where it leads is still found, and the
// changes it does not allow fail one by one as they would by name. Reading attributes
// takes part in no sharing, so the last one opens any file that is there.
constexpr DWORD kRights[] = {
    FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE,
    FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
    FILE_READ_ATTRIBUTES,
};

DWORD LastError() {
    const DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error;
}

// The path that the system gives for an open file or folder, links followed; empty, with
// the error, when it gives none.
std::wstring FinalPathOf(HANDLE file, DWORD& error) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = ::GetFinalPathNameByHandleW(file, path.data(),
                                                         static_cast<DWORD>(path.size()), 0);
        if (length == 0) break;
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);  // too small: the length asked for, NUL included
    }
    error = LastError();
    return {};
}

// A handle with the right to write on the checked movie's file, opened by its name again:
// only a handle on that very file (same volume, same file number) is given. Under Wine,
// reopening a handle opens its name again and follows whatever is there by now.
forms::OwnedHandle Writable(const Movie& movie, const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) forms::RaiseForWin32Error(::GetLastError());
    forms::OwnedHandle writable(file);
    BY_HANDLE_FILE_INFORMATION checked{};
    BY_HANDLE_FILE_INFORMATION opened{};
    if (!::GetFileInformationByHandle(movie.handle.Get(), &checked) ||
        !::GetFileInformationByHandle(file, &opened) ||
        checked.dwVolumeSerialNumber != opened.dwVolumeSerialNumber ||
        checked.nFileIndexHigh != opened.nFileIndexHigh || checked.nFileIndexLow != opened.nFileIndexLow) {
        forms::Raise(forms::kErrPathFileAccess);
    }
    return writable;
}

}  // namespace

std::wstring Widen(std::string_view text) {
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string ShownPath(const std::wstring& finalPath) {
    std::wstring path = finalPath;
    if (path.rfind(LR"(\\?\UNC\)", 0) == 0) {
        path = LR"(\\)" + path.substr(8);
    } else if (path.rfind(LR"(\\?\)", 0) == 0) {
        path = path.substr(4);
    }
    const int size = ::WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string shown(static_cast<std::size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), shown.data(),
                          size, nullptr, nullptr);
    return shown;
}

Folder Folder::Open(const std::string& path) {
    Folder folder;
    if (Widen(path).size() > kLongestPath) {
        folder.error_ = ERROR_FILENAME_EXCED_RANGE;
        return folder;
    }
    HANDLE handle = ::CreateFileA(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        folder.error_ = LastError();
        return folder;
    }
    folder.handle_ = forms::OwnedHandle(handle);
    folder.finalPath_ = FinalPathOf(handle, folder.error_);
    if (folder.finalPath_.empty()) return folder;

    // The listing of a handle just opened starts at its first entry.
    std::vector<LONGLONG> buffer((64 << 10) / sizeof(LONGLONG));  // aligned for the entries
    const auto* bytes = reinterpret_cast<const char*>(buffer.data());
    while (::GetFileInformationByHandleEx(handle, FileIdBothDirectoryInfo, buffer.data(),
                                          static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
        for (std::size_t offset = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + offset);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(WCHAR));
            if (name != L"." && name != L"..") folder.entries_.push_back(std::move(name));
            if (entry->NextEntryOffset == 0) break;
            offset += entry->NextEntryOffset;
        }
    }
    const DWORD error = ::GetLastError();
    folder.error_ = error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
    return folder;
}

std::vector<std::wstring> Folder::EntriesNamed(std::wstring_view name) const {
    std::vector<std::wstring> found;
    for (const std::wstring& entry : entries_) {
        if (::CompareStringOrdinal(entry.data(), static_cast<int>(entry.size()), name.data(),
                                   static_cast<int>(name.size()), TRUE) != CSTR_EQUAL) {
            continue;
        }
        found.insert(entry == name ? found.begin() : found.end(), entry);
    }
    return found;
}

Movie Find(const Folder& folder, const std::string& folderText, std::string_view name) {
    Movie movie;
    const std::string path = folderText + std::string(name);
    movie.pathLength = Widen(path).size();
    if (movie.pathLength > kLongestPath) {
        movie.lead = Lead::TooLong;
        return movie;
    }
    const std::wstring wideName = Widen(name);
    movie.spellings = folder.EntriesNamed(wideName);
    // Which of several names that differ only in case the name opens is the file
    // system's choice, and a movie made again would meet the others.
    if (movie.spellings.size() > 1 && movie.spellings.front() != wideName) {
        movie.lead = Lead::CaseTwins;
        return movie;
    }

    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
    for (const DWORD rights : kRights) {
        // Backup semantics open a folder as well.
        file = ::CreateFileA(path.c_str(), rights, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file != INVALID_HANDLE_VALUE) break;
        error = LastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            // Windows shows a link to a missing file by its own attributes; Wine shows
            // nothing of it, and only making the name finds it (see Replace).
            movie.lead = ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? Lead::Absent
                                                                                     : Lead::Nowhere;
        } else {
            movie.lead = error == ERROR_FILENAME_EXCED_RANGE ? Lead::TooLong : Lead::Unopened;
            movie.error = error;
        }
        return movie;
    }
    movie.handle = forms::OwnedHandle(file);
    BY_HANDLE_FILE_INFORMATION info{};
    movie.finalPath = FinalPathOf(file, error);
    if (movie.finalPath.empty() || !::GetFileInformationByHandle(file, &info)) {
        movie.lead = Lead::Unopened;
        movie.error = movie.finalPath.empty() ? error : LastError();
        movie.handle.Reset();
        return movie;
    }
    movie.links = info.nNumberOfLinks;
    movie.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

    // The system gives final paths in the disk's own spelling: the folder's own entry is
    // the folder's path and the entry's name as the folder spells it, to the letter.
    if (movie.spellings.empty() ||
        movie.finalPath != folder.FinalPath() + L"\\" + movie.spellings.front()) {
        movie.lead = Lead::Elsewhere;
    } else if (movie.spellings.size() > 1) {
        movie.lead = Lead::CaseTwins;
    } else if (movie.folder) {
        movie.lead = Lead::Folder;
    } else if (movie.links > 1) {
        movie.lead = Lead::OtherNames;
    } else {
        movie.lead = Lead::Here;
    }
    if (movie.lead != Lead::Here) movie.handle.Reset();
    return movie;
}

Replaced Replace(Movie& movie, const std::string& path, const std::string& replacement,
                 const forms::FileSystemObject& fso) {
    bool deleted = false;
    if (movie.lead == Lead::Here) {
        forms::ResumeNext([&] { forms::SetAttr(movie.handle.Get(), kNormalAttributes); });
        deleted = forms::ResumeNext([&] { fso.DeleteFile(movie.handle.Get(), true); });
    }
    const bool overwrite = movie.lead == Lead::Here && !deleted;
    // A deleted movie goes when its handle is closed, before its name is made again.
    if (!overwrite) movie.handle.Reset();
    const int copyError = forms::ResumeNextErr([&] {
        if (overwrite) {
            fso.CopyFile(replacement, Writable(movie, path).Get());
        } else {
            fso.CopyFile(replacement, path, false);
        }
    });
    movie.handle.Reset();
    if (copyError == 0) return Replaced::Yes;
    // Under Wine a link to a missing file is found so.
    if (movie.lead == Lead::Absent && copyError == forms::kErrFileExists) return Replaced::Nowhere;
    return deleted || movie.lead == Lead::Absent ? Replaced::Missing : Replaced::KeptOldContent;
}

}  // namespace MovieLead
