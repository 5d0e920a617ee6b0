// Where an archive is unpacked: a folder beside it, named like the archive without its extension.
#pragma once

#include <functional>

#include "base/CString.h"

// The archive's path cut before the last "." of its file name (C:\data\photos.zip gives
// C:\data\photos). Dots in the folder part are never cut at, nor is a dot that starts the file
// name (".zip" has no extension to remove); without such a dot the whole path is returned.
CString ArchivePathWithoutExtension(const CString& archivePath);

// The folder to unpack into: ArchivePathWithoutExtension, or when a file (not a folder) already
// has that name, the first of "(1)", "(2)", … appended to it that no file has. An existing folder
// is reused. isExistingFile says whether a path names an existing file.
CString UnzipTargetFolder(const CString& archivePath, const std::function<bool(const CString&)>& isExistingFile);
