// The path of one of a module's work files from its stem.
//
// A module's work files are its work-file stem plus an extension ("demo_2"
// + ".blk"). The readers accept the stem as a path: a relative stem is
// placed in the work directory (the profile's WORKDIR), an absolute one is
// used as it is.
#pragma once

#include <string>

#include "workfiles/work_file_opener.h"

namespace sorvi {

// stem + extension, placed in the work directory when the stem is relative.
// Empty for a null or empty stem.
std::string stem_file(const char* stem, const char* extension);

// Opens stem + extension through the work-file opener in repository-first
// mode (the module's GLH file and repository name may be null). The handle
// holds no stream when the file opens nowhere, the stem is empty, or memory
// runs out.
WorkFile open_stem_work_file(const char* stem, const char* extension, const char* glh_file,
                             const char* repository_name);

}  // namespace sorvi
