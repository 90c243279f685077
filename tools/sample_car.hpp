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

}  // namespace tromvex
