// The bundled sample car: a small NFS2(SE) car of our own making, built the same way every time.
#pragma once

#include "common/bytes.hpp"

namespace tromvex {

// The GEO file: a lower body, a cabin, lights, a grille, bumpers, a plate, a rear wing and
// its struts, an antenna and an exhaust (parts 0 to 11); four wheels as a 12-sided tread
// and a rim plate each (parts 12 to 19); two simpler bodies (parts 20 to 22 and 23 to 25).
Bytes make_sample_geo();

// The SHPI archive, uncompressed: the palette, eight indexed textures, and a closing entry.
Bytes make_sample_archive();

// The texture file as the game ships it: the archive QFS-compressed.
Bytes make_sample_qfs();

// How a sample prop is painted.
enum class PropLook {
  planks,  // orange-brown boards with dark gaps
  bark,    // grey-brown furrows
};

// A prop made up for the sample installs: a box (sizes in centimetres, standing on the ground)
// whose five visible faces all show the texture named picture, as the high body (part 0) and
// again as the medium (20) and small (23) bodies; every other part empty.
Bytes make_sample_prop_geo(int half_width, int height, int half_length, const char* picture);

// The prop's texture archive, uncompressed: the sample car's palette and one 64 x 64 picture
// named picture, painted as look says.
Bytes make_sample_prop_archive(const char* picture, PropLook look);

}  // namespace tromvex
