// The bundled sample installs: a made-up NFS2SE-style game folder whose cars sit in a car-data
// archive, and a made-up NFS2-style one of loose cars, for tromvex-port's tests and README.
#pragma once

#include <string>
#include <vector>

#include "common/bytes.hpp"

namespace tromvex {

// A file of an install: its path inside the install ('/' between names) and its bytes.
struct InstallFile {
  std::string path;
  Bytes bytes;
};

// GameData/CARDATA.VIV holds the GEO files of the sample car (smpl.GEO), two props (Blox.geo,
// LOG.GEO), a prop without a texture file (crate.geo), a car whose GEO file is cut short
// (Wreck.geo), a second, empty GEO file named like the first (SMPL.geo), made-up data records
// and the sample car's made-up performance record (pSMPL.dat); GameData/CarModel/PC holds
// their QFS texture files, names in other case.
std::vector<InstallFile> make_sample_nfs2se_install();

// GAMEDATA/CARMODEL/PC holds three loose cars: smpl.geo with SMPL.QFS, Blox.GEO with a plain
// (unpacked) texture file BLOX.FSH, and log.geo with Log.qfs.
std::vector<InstallFile> make_sample_nfs2_install();

}  // namespace tromvex
