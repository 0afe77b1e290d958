// Listing ripsim's spool folders: every visible file in them and in their subfolders,
// in the order the RIP takes them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vellora::ripsim {

struct SpoolFile {
  std::string path;      // the spool folder text, "/", the path below it
  std::string name;      // the file name
  std::string relative;  // the path below the spool folder, folders joined with "/"
  size_t spool = 0;      // index of its spool folder
};

struct SpoolListing {
  std::vector<SpoolFile> files;  // by name (byte order), then by path
  std::vector<bool> listable;    // per spool folder: could it be listed?
};

// Hidden entries (names beginning with ".") are passed over, folders included, and so
// are the temporary names under which files are copied in; links to folders are not
// followed, so a loop of links cannot trap the listing.
SpoolListing ListSpoolFolders(const std::vector<std::string>& spoolFolders);

}  // namespace vellora::ripsim
