// The fixed texts every run of the program prints, for the tests that compare transcripts.
#pragma once

#include <string>

#include "common/version.hpp"

namespace tromvex::test {

// The banner and the usage line, printed first by every run whatever its arguments.
inline std::string banner_and_usage() {
  return std::string("\tNFS2(SE) -> NFS3 car converter") + "\n\ttromvex " + kVersion +
         ", free software under the MIT License" +
         "\n\tConverts an NFS2(SE) GEO and QFS car into an NFS3 FCE and TGA car" +
         "\n\tReport problems on the tromvex issue tracker, with the files that caused them\n" +
         "\nUsage: tromvex <filename>.geo <filename>.qfs <filename>.fce <filename>00.tga\n\n";
}

inline const std::string kLoadingLines = "Reading NFS2(SE) files:\n\t- Reading GEO file...\n";
inline const std::string kPressAnyKey = "\nPress any key...";

}  // namespace tromvex::test
