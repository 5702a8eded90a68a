#pragma once
// Paths that files give for other files: Source and Library statements, and
// the libraries a library file needs. Paths are wide texts of at most
// kPathMax characters; both "/" and "\" separate folders.

#include <cstdint>

namespace vorlan {

constexpr bool IsPathSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// A path naming a directory node or a drive (it holds a ":").
bool HasNodeOrDrive(const char16_t* path);

// A path that starts at a root, or names a directory node or a drive, means
// the same from every folder and is used as written.
inline bool IsPlacedPath(const char16_t* path) { return IsPathSeparator(path[0]) || HasNodeOrDrive(path); }

// `path` as seen from the folder `file` is in (a placed path as written).
// `out` needs kPathMax + 1 places; a longer result is cut.
void PathBesideFile(const char16_t* file, const char16_t* path, char16_t* out);

// Drops "." and empty folders and folds "folder/.." pairs, so that one file
// is known by one spelling; ".." that climb above the start stay. Paths with
// a node or a drive are left alone.
void NormalisePath(char16_t* path);

// `target` as seen from the folder `file` is in, when both are taken from the
// working folder (or are rooted): the inverse of PathBesideFile. A target
// with a node or a drive, or a rooted one sharing no folder with `file`, is
// written whole. False when the working folder is needed (a rooted path, or
// a file above the working folder) and cannot be read, or a result is too long.
bool PathFromFolderOf(const char16_t* file, const char16_t* target, char16_t* out);

}  // namespace vorlan
