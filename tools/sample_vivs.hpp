// The bundled sample VIV archives: a car-data archive as NFS2(SE) keeps its cars in, and a
// donor car.viv as NFS3 reads a car from; both made up here, built the same way every time.
#pragma once

#include "common/bytes.hpp"

namespace tromvex {

// The name under which the sample car's GEO file is stored in the car-data archive.
inline constexpr const char* kSampleGeoMemberName = "smpl.GEO";

// The car-data archive: the sample car's GEO file among made-up data records, an empty GEO
// file, an empty member, names in mixed case and one name twice.
Bytes make_sample_cardata_viv();

// The donor car.viv: a placeholder car.fce and car00.tga, and made-up car.viv companions
// (carp.txt, with the 80 entries of a real one, the serial number 42 first, and fedata.eng)
// that tromvex-viv put must keep as they are.
Bytes make_donor_car_viv();

}  // namespace tromvex
